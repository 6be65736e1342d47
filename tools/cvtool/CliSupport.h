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

#include <functional>
#include <string>
#include <string_view>

namespace cvtool {

// Bulk commands: calls handle for every input line (without its line end, CR LF or LF). handle
// returns nullptr for a good line or a short reason for a malformed one, which is reported as
// "cvtool: line N: <reason>" on stderr and skipped. Returns 0, or 1 when any line was malformed.
int forEachInputLine(std::FILE* in,
                     const std::function<const char*(std::string_view line)>& handle);

// A directory argument with the trailing '/' the table readers expect. Without one: the
// program's own directory when the tables are installed beside it, else the source tree's share/.
std::string tableDirectory(const char* dirArgument);

// 16-bit text (UTF-16, as the engine and the formatters hand it out) as UTF-8; "" for nullptr.
std::string toUtf8(const char16_t* text);

} // namespace cvtool
