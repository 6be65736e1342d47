#include "support/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "geodesy/DatumTable.h"

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string sourcePath(const std::string& relative) {
    return std::string(CORVANE_SOURCE_DIR) + "/" + relative;
}

void applicationFolder(const TempDir& dir, const std::string& ini) {
    for (const char* table : {"ellips.dat", "3_param.dat", "7_param.dat", "WMM.COF"})
        std::filesystem::copy_file(sourcePath("share/") + table, dir.file(table));
    writeFile(dir.file("cv.ini"), ini);
}

Process::Process(std::vector<std::string> args, const std::string& outFile) {
    // Everything the child needs is made before the fork: only exec-safe calls follow it.
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int out =
        outFile.empty() ? -1 : ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if ((pid_ = fork()) == 0) {
        if (out >= 0) dup2(out, STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (out >= 0) ::close(out);
}

int Process::stop(int sig, bool hang) {
    int raw = 0;
    if (pid_ > 0 && sig != 0) kill(pid_, sig);
    if (pid_ > 0 && waitpid(pid_, &raw, hang ? 0 : WNOHANG) == pid_) {
        pid_ = 0;
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    return status_;
}

const geodesy::DatumTable& shippedTables() {
    static const bool loaded = [] {
        const std::string dir = sourcePath("share/");
        return geodesy::datumTable().loadEllipsoids(dir.c_str()) == 0 &&
               geodesy::datumTable().loadDatums(dir.c_str()) == 0;
    }();
    EXPECT_TRUE(loaded);
    return geodesy::datumTable();
}

CommandResult runCvtool(const std::string& args, const std::string& input) {
    TempDir dir;
    writeFile(dir.file("in"), input);
    std::string cmd = std::string("'") + CVTOOL_PATH + "' " + args + " <'" + dir.file("in") +
                      "' >'" + dir.file("out") + "' 2>'" + dir.file("err") + "'";
    int raw = std::system(cmd.c_str());
    CommandResult r;
    r.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
    r.out = readFile(dir.file("out"));
    r.err = readFile(dir.file("err"));
    return r;
}

bool XServer::start(bool windowManager) {
    if (access("/usr/bin/Xvfb", X_OK) != 0 ||
        (windowManager && access("/usr/bin/openbox", X_OK) != 0))
        return false;
    const std::string number = dir_.file("display");
    // -noreset: the server would otherwise reset, refusing connections, whenever its last client
    // leaves.
    xvfb_ = std::make_unique<Process>(std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", "1",
                                                               "-noreset", "-nolisten", "tcp"},
                                      number);
    if (!eventually([&] { return readFile(number).find('\n') != std::string::npos; })) return false;
    display_ = ":" + readFile(number).substr(0, readFile(number).find('\n'));
    setenv("DISPLAY", display_.c_str(), 1);
    if (!windowManager) return true;
    // openbox runs its start-up command once it manages windows.
    const std::string ready = dir_.file("wm-ready");
    wm_ = std::make_unique<Process>(
        std::vector<std::string>{"/usr/bin/openbox", "--startup", "touch " + ready});
    return eventually([&] { return access(ready.c_str(), F_OK) == 0; });
}

XServer::~XServer() {
    wm_.reset();
    xvfb_.reset();
    if (!display_.empty()) unsetenv("DISPLAY");
}

} // namespace testsupport
