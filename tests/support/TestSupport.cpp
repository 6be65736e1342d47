#include "support/TestSupport.h"

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

} // namespace testsupport
