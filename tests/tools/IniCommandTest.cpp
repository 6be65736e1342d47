// cvtool ini DIR: reads DIR/cv.ini as the program does and prints the file the writer makes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/ConfigTexts.h"
#include "support/TestSupport.h"

namespace {

using configtexts::valueOf;
using testsupport::readFile;
using testsupport::runCvtool;
using testsupport::writeFile;

const std::string kNotFound = "\"cv.ini\" file not found - default values used.\n";

class IniCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* table : {"ellips.dat", "3_param.dat", "7_param.dat"})
            std::filesystem::copy_file(testsupport::sourcePath(std::string("share/") + table),
                                       dir.file(table));
    }
    testsupport::CommandResult ini() { return runCvtool("ini '" + dir.path() + "'"); }
    std::string iniPath() const { return dir.file("cv.ini"); }

    configtexts::ScopedEnv home{"HOME", "/home/tester"};
    configtexts::ScopedEnv documents{"XDG_DOCUMENTS_DIR", nullptr};
    testsupport::TempDir dir;
};

TEST_F(IniCommandTest, MissingFileIsCreatedWithTheDefaults) {
    auto r = ini();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, kNotFound);
    EXPECT_EQ(r.out, configtexts::defaultFile("/home/tester/"));
    EXPECT_EQ(readFile(iniPath()), r.out);
}

TEST_F(IniCommandTest, ValuesAreNormalisedAndWrittenBack) {
    writeFile(iniPath(), "[Corvane]\r\n"
                         "gpsport=COM5:\r\n"
                         "GPSPORT=COM7:\r\n"
                         "GPSBaud=4800 \r\n"
                         "Fmt=UTM\r\n"
                         "Heading=ManualMag\r\n"
                         "HeadingUserDecl=12.34\r\n"
                         "KEYWEDGE=3, 44 13 9 \r\n"
                         "WaypointPath=/srv/points/route.txt\r\n"
                         "MarkKey=195\r\n"
                         "KWDGKey=195\r\n"
                         "Datum=NOPE\r\n"
                         "EXPTWPT=Yes");
    auto r = ini();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Datum not defined. Using WGS84 (default datum)\n");
    EXPECT_EQ(valueOf(r.out, "GPSPort"), "COM7:");
    EXPECT_EQ(valueOf(r.out, "GPSBaud"), "9600");
    EXPECT_EQ(valueOf(r.out, "Format"), "UTM");
    EXPECT_EQ(valueOf(r.out, "HeadingUserDecl"), "12.3");
    EXPECT_EQ(valueOf(r.out, "KEYWEDGE"), "0, ");
    EXPECT_EQ(valueOf(r.out, "WaypointPath"), "/srv/points/");
    EXPECT_EQ(valueOf(r.out, "WaypointFilename"), "route.txt");
    EXPECT_EQ(valueOf(r.out, "KWDGKey"), "193");
    EXPECT_EQ(valueOf(r.out, "Datum"), "WGE");
    EXPECT_EQ(valueOf(r.out, "EXPTWPT"), "Yes");
    EXPECT_EQ(readFile(iniPath()), r.out);
}

TEST_F(IniCommandTest, ProtectedFileIsLeftUntouched) {
    std::string original = "[Corvane]\nProtected=Yes\nGPSPort=com2:\nUnits=Metric\n";
    writeFile(iniPath(), original);
    auto r = ini();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(valueOf(r.out, "GPSPort"), "COM1:");
    EXPECT_EQ(valueOf(r.out, "Units"), "Metric");
    EXPECT_EQ(readFile(iniPath()), original);
}

TEST_F(IniCommandTest, UnwritableFileIsReportedAndKept) {
    std::filesystem::create_directory(iniPath());
    auto r = ini();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, kNotFound + kNotFound); // not readable, then not writable
    EXPECT_EQ(r.out, configtexts::defaultFile("/home/tester/"));
    EXPECT_TRUE(std::filesystem::is_directory(iniPath()));
}

TEST_F(IniCommandTest, MissingFileThatCannotBeWrittenGivesTheMessageTwice) {
    // cv.ini links into a folder that is gone: the file is missing and cannot be created.
    std::filesystem::create_symlink(dir.file("gone/cv.ini"), iniPath());
    auto r = ini();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, kNotFound + kNotFound); // the writer's, then the reader's
    EXPECT_EQ(r.out, configtexts::defaultFile("/home/tester/"));
    EXPECT_TRUE(std::filesystem::is_symlink(iniPath()));
}

TEST_F(IniCommandTest, MissingTablesEndTheRunWithTheirMessage) {
    std::filesystem::remove(dir.file("ellips.dat"));
    auto r = ini();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Could not find \"ellipse.dat\" file.\n");
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(std::filesystem::exists(iniPath()));

    testsupport::TempDir other;
    std::filesystem::copy_file(testsupport::sourcePath("share/ellips.dat"),
                               other.file("ellips.dat"));
    r = runCvtool("ini '" + other.path() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error initializing datums.\n");
}

TEST_F(IniCommandTest, NeedsExactlyOneDirectory) {
    EXPECT_EQ(runCvtool("ini").status, 2);
    EXPECT_EQ(runCvtool("ini a b").status, 2);
}

} // namespace
