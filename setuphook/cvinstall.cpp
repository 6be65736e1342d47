// cvinstall: installs Corvane into a directory, or removes it, through the installer hook.
//
//   cvinstall install DIR [--from FILE]...
//   cvinstall uninstall DIR
//
// Without --from, install takes the payload of the build tree it was built in (the program,
// cvtool, the libraries and the tables), compiled in as CVINSTALL_PAYLOAD. Exit status: 0 done,
// 1 failed, 2 bad usage.

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "CvinstallPayload.h"
#include "setuphook/Installer.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int usage(const char* text) {
    std::fprintf(stderr,
                 "cvinstall: %s\nusage: cvinstall install DIR [--from FILE]... | "
                 "cvinstall uninstall DIR\n",
                 text);
    return kExitUsage;
}

std::vector<std::string> builtInPayload() {
    std::vector<std::string> files;
    std::string_view list = CVINSTALL_PAYLOAD;
    while (!list.empty()) {
        size_t end = list.find(';');
        if (end != 0) files.emplace_back(list.substr(0, end));
        list.remove_prefix(end == list.npos ? list.size() : end + 1);
    }
    return files;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage("missing command or directory");
    std::string_view command = argv[1];
    std::string dir = argv[2];
    if (dir.empty()) return usage("empty directory name");
    std::vector<std::string> payload;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--from") != 0 || i + 1 >= argc || command != "install")
            return usage("unexpected argument");
        payload.emplace_back(argv[++i]);
    }
    setuphook::Installer installer(dir, stdout, stderr);
    if (command == "install") {
        if (payload.empty()) payload = builtInPayload();
        return installer.install(payload) ? 0 : kExitFailed;
    }
    if (command == "uninstall") return installer.uninstall() ? 0 : kExitFailed;
    return usage("unknown command");
}
