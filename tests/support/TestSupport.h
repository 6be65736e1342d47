#pragma once
// Shared helpers for the tests: temporary directories, running cvtool, reading files.

#include <signal.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace geodesy {
class DatumTable;
}

namespace testsupport {

// A fresh directory under the system's temporary folder, removed with everything in it when the
// object goes away. path() ends in '/'.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

struct CommandResult {
    int status = -1; // -1 when the command did not exit normally
    std::string out;
    std::string err;
};

// Runs cvtool with the given argument string (shell syntax) and optional stdin text.
CommandResult runCvtool(const std::string& args, const std::string& input = "");

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

// Path of a file of the project's own tree, e.g. "share/ellips.dat".
std::string sourcePath(const std::string& relative);

// An application folder: the shipped tables (datums, ellipsoids, magnetic model) and a cv.ini of
// this text.
void applicationFolder(const TempDir& dir, const std::string& ini = "[Corvane]\n");

// A program run in the background (args[0]: its path), its stdout into outFile when one is named;
// SIGTERM and a wait for its end when the object goes away.
class Process {
public:
    explicit Process(std::vector<std::string> args, const std::string& outFile = "");
    ~Process() { stop(SIGTERM); }
    // Sends sig (0: none) and waits for the end (hang false: only looks): the exit status, or -1
    // while it runs or when it did not exit normally.
    int stop(int sig, bool hang = true);
    bool exited() {
        stop(0, false);
        return pid_ == 0;
    }

private:
    pid_t pid_ = 0;
    int status_ = -1;
};

// An X server of the test's own (Xvfb), optionally with a window manager (openbox), named by
// DISPLAY while it runs. start() is false when the programs are not installed or do not come up.
class XServer {
public:
    bool start(bool windowManager);
    ~XServer();
    const std::string& display() const { return display_; }
    bool managed() const { return wm_ != nullptr; }

private:
    TempDir dir_;
    std::string display_;
    std::unique_ptr<Process> xvfb_, wm_;
};

// The program's own datum table, loaded once from the shipped files (a failed load fails the
// calling test).
const geodesy::DatumTable& shippedTables();

// Polls until the condition holds; false after limitMs. Limits are generous: a loaded machine or
// a sanitizer build only makes the wait longer.
inline bool eventually(const std::function<bool()>& condition, int limitMs = 30000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace testsupport
