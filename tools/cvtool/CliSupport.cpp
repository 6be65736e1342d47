#include "CliSupport.h"

#include <getopt.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <filesystem>

namespace cvtool {

int usageError(const char* format, ...) {
    std::fputs("cvtool: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return kExitUsage;
}

std::optional<int> parseArguments(const char* command, const char* help, int argc, char** argv,
                                  std::initializer_list<CliOption> options,
                                  const OptionHandler& handle, std::vector<const char*>& operands) {
    constexpr int kHelp = 'h';
    constexpr int kFirstOption = 256; // getopt_long's value of options[i] is kFirstOption + i
    std::vector<option> table;
    for (const CliOption& o : options)
        table.push_back({o.name, o.takesValue ? required_argument : no_argument, nullptr,
                         kFirstOption + static_cast<int>(table.size())});
    table.push_back({"help", no_argument, nullptr, kHelp});
    table.push_back({nullptr, 0, nullptr, 0});

    opterr = 0; // the messages below name the command
    optind = 0; // restarts GNU getopt completely
    for (int c; (c = getopt_long(argc, argv, ":h", table.data(), nullptr)) != -1;) {
        if (c == kHelp) {
            std::fputs(help, stdout);
            return kExitOk;
        }
        if (c == ':') return usageError("%s: option '%s' needs a value", command, argv[optind - 1]);
        if (c == '?') {
            if (optopt >= kFirstOption)
                return usageError("%s: option '%s' takes no value", command, argv[optind - 1]);
            if (optopt != 0)
                return usageError("%s: unknown option '-%c' (see cvtool %s --help)", command,
                                  optopt, command);
            return usageError("%s: unknown option '%s' (see cvtool %s --help)", command,
                              argv[optind - 1], command);
        }
        const CliOption& option = options.begin()[c - kFirstOption];
        if (int status = handle(option.name, option.takesValue ? optarg : nullptr); status != 0)
            return status;
    }
    for (int i = optind; i < argc; ++i)
        operands.push_back(argv[i]);
    return std::nullopt;
}

bool inputOperand(const char* command, const std::vector<const char*>& operands,
                  const char*& path) {
    if (operands.size() > 1) {
        usageError("%s: more than one input file ('%s')", command, operands[1]);
        return false;
    }
    path = operands.empty() ? nullptr : operands[0];
    return true;
}

std::FILE* openInput(const char* path) {
    if (path == nullptr || std::strcmp(path, "-") == 0) return stdin;
    std::FILE* file = std::fopen(path, "rbe");
    if (file == nullptr) {
        usageError("cannot read %s: %s", path, std::strerror(errno));
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fileno(file), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(file);
        usageError("cannot read %s: %s", path, std::strerror(EISDIR));
        return nullptr;
    }
    return file;
}

void closeInput(std::FILE* file) {
    if (file != nullptr && file != stdin) std::fclose(file);
}

int forEachInputLine(const char* path,
                     const std::function<const char*(std::string_view line)>& handle) {
    std::FILE* in = openInput(path);
    if (in == nullptr) return kExitUsage;
    int status = kExitOk;
    long lineNumber = 0;
    std::string line;
    int c = 0;
    while (c != EOF) {
        line.clear();
        bool tooLong = false;
        while ((c = std::getc(in)) != EOF && c != '\n') {
            if (line.size() < kMaxInputLine + 1) // + 1: room for a CR before the LF
                line.push_back(static_cast<char>(c));
            else
                tooLong = true;
        }
        if (c == EOF && line.empty() && !tooLong) break;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        tooLong = tooLong || line.size() > kMaxInputLine;
        static_assert(kMaxInputLine == 4096, "the message below names the limit");
        const char* reason = tooLong ? "line longer than 4096 bytes" : handle(line);
        if (reason != nullptr) {
            std::printf("error: line %ld: %s\n", lineNumber, reason);
            std::fprintf(stderr, "cvtool: line %ld: %s\n", lineNumber, reason);
            status = kExitBadData;
        }
    }
    const bool failed = std::ferror(in) != 0;
    const int error = errno;
    closeInput(in);
    if (failed)
        return usageError("read error on %s: %s", path ? path : "stdin", std::strerror(error));
    return status;
}

std::string tableDirectory(const char* dirArgument) {
    std::string dir;
    if (dirArgument != nullptr && dirArgument[0] != '\0') {
        dir = dirArgument;
    } else {
        // Installed: the tables sit beside the program. In the build tree: the source's share/.
        std::error_code ec;
        auto self = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
        dir = (!ec && std::filesystem::exists(self / "ellips.dat")) ? self.string()
                                                                    : CORVANE_SHARE_DIR;
    }
    if (dir.back() != '/') dir.push_back('/');
    return dir;
}

} // namespace cvtool
