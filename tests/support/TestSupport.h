#pragma once
// Shared helpers for the tests: temporary directories, running cvtool, reading files.

#include <string>

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

// The program's own datum table, loaded once from the shipped files (a failed load fails the
// calling test).
const geodesy::DatumTable& shippedTables();

} // namespace testsupport
