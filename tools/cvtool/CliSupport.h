#pragma once
// Small helpers shared by the cvtool sub-commands.

#include <cstdio>

namespace cvtool {

inline constexpr int kExitUsage = 2;

// Prints "cvtool: <message>" as one line on stderr and returns kExitUsage.
[[gnu::format(printf, 1, 2)]] int usageError(const char* format, ...);

// Opens FILE for reading, or stdin for "-" or an empty name. On failure prints one line on
// stderr and returns nullptr.
std::FILE* openInput(const char* path);
void closeInput(std::FILE* file);

} // namespace cvtool
