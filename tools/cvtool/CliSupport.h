#pragma once
// What every cvtool command shares: the exit statuses, the option parser, the input files and
// the line-by-line loop of the bulk commands.

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Utf.h"

namespace cvtool {

// The exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadData = 1; // a bad input line, or a computation that failed
inline constexpr int kExitUsage = 2;   // bad usage, or an input that cannot be read

// Prints "cvtool: <message>" as one line on stderr and returns kExitUsage.
[[gnu::format(printf, 1, 2)]] int usageError(const char* format, ...);

struct CliOption {
    const char* name; // without the leading "--"
    bool takesValue;
};

// Called for each option found, with its name and value (nullptr for a flag); returns 0 to go
// on, or an exit status after printing why the value is bad.
using OptionHandler = std::function<int(std::string_view name, const char* value)>;

// Parses the arguments of one command with getopt_long; argv[0] is the command's name. Options
// may stand before or after the operands ("--name VALUE" or "--name=VALUE"), "--" ends them.
// Every command takes --help (and -h): it prints help on stdout. The operands are collected in
// order. Returns nothing when the command should go on, or the status to exit with: kExitOk
// after --help, kExitUsage after an unknown or incomplete option (with one line on stderr
// naming the command), or what handle returned.
std::optional<int> parseArguments(const char* command, const char* help, int argc, char** argv,
                                  std::initializer_list<CliOption> options,
                                  const OptionHandler& handle, std::vector<const char*>& operands);

// The single optional [FILE|-] operand: nullptr for stdin. Prints the error and returns false
// for more than one operand.
bool inputOperand(const char* command, const std::vector<const char*>& operands, const char*& path);

// Opens FILE for reading, or stdin for "-" or nullptr. A directory or a file that cannot be
// opened prints one line on stderr and gives nullptr.
std::FILE* openInput(const char* path);
void closeInput(std::FILE* file);

// Bulk commands: reads the input (FILE, or stdin for "-" or nullptr) line by line, the line end
// (CR LF or LF) removed, and calls handle for each line. handle prints the line's output and
// returns nullptr, or returns a short reason for a bad line; a bad line then gets the output
// line "error: line N: <reason>" (so outputs stay aligned with inputs) and the same note on
// stderr. Lines longer than kMaxInputLine bytes are bad lines. Returns kExitOk, kExitBadData
// when any line was bad, or kExitUsage when the input could not be opened or read.
inline constexpr std::size_t kMaxInputLine = 4096;
int forEachInputLine(const char* path,
                     const std::function<const char*(std::string_view line)>& handle);

// A directory argument with the trailing '/' the table readers expect. Without one: the
// program's own directory when the tables are installed beside it, else the source tree's share/.
std::string tableDirectory(const char* dirArgument);

// 16-bit text (UTF-16, as the engine and the formatters hand it out) as UTF-8.
using platform::toUtf8;

} // namespace cvtool
