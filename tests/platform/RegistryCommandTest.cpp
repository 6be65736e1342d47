#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/TestSupport.h"

using testsupport::readFile;
using testsupport::runCvtool;

namespace {

// cvtool reads $CORVANE_REGISTRY, so each test works on a file of its own.
class RegistryCommand : public ::testing::Test {
protected:
    void SetUp() override { setenv("CORVANE_REGISTRY", path.c_str(), 1); }
    void TearDown() override { unsetenv("CORVANE_REGISTRY"); }

    testsupport::TempDir dir;
    std::string path = dir.file("registry.reg");
};

const std::string kKey = "'HKEY_CURRENT_USER\\SOFTWARE\\Varnholt\\Corvane'";

} // namespace

TEST_F(RegistryCommand, SetAndGetStringsAndDwords) {
    EXPECT_EQ(runCvtool("reg set " + kKey + " rpath /home/u/corvane/").status, 0);
    EXPECT_EQ(runCvtool("reg set --dword 'HKLM\\System' BattSuspendTimeout 0xB4").status, 0);
    EXPECT_EQ(runCvtool("reg set 'HKLM\\System' ACSuspendTimeout 600 --dword").status, 0);
    EXPECT_NE(readFile(path).find("\"BattSuspendTimeout\"=dword:000000b4"), std::string::npos);

    auto r = runCvtool("reg get " + kKey + " RPATH");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "/home/u/corvane/\n");
    r = runCvtool("reg get 'hkey_local_machine\\system' BattSuspendTimeout");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "180\n");
    EXPECT_EQ(runCvtool("reg get 'HKLM\\System' ACSuspendTimeout").out, "600\n");
}

TEST_F(RegistryCommand, AbsentValuesAndKeysExitOne) {
    auto r = runCvtool("reg get " + kKey + " rpath");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(runCvtool("reg delete " + kKey).status, 1);
    ASSERT_EQ(runCvtool("reg set " + kKey + " rpath /x/").status, 0);
    EXPECT_EQ(runCvtool("reg delete 'HKCU\\SOFTWARE\\Varnholt'").status, 0);
    EXPECT_EQ(runCvtool("reg get " + kKey + " rpath").status, 1);
}

TEST_F(RegistryCommand, BadUsageExitsTwoWithOneLine) {
    for (const char* args :
         {"reg", "reg get HKCU\\\\X", "reg frob HKCU x", "reg get HKCR\\\\X v",
          "reg set --dword HKCU\\\\X v 4294967296", "reg set --dword HKCU\\\\X v -1",
          "reg set --dword HKCU\\\\X v 0x", "reg get --dword HKCU\\\\X v", "reg delete HKCU"}) {
        auto r = runCvtool(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.err.rfind("cvtool: ", 0), 0u) << args;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << args << ": " << r.err;
    }
}
