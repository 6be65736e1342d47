#include "data/ConfigFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "data/ConfigStartup.h"
#include "data/ConfigTexts.h"
#include "engine/GpsEngine.h"
#include "geodesy/DatumTable.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

namespace {

using configtexts::valueOf;
using engine::Settings;
using testsupport::readFile;
using testsupport::writeFile;

const std::string kHome = "/home/tester/";

// Fixed home and documents folders, so paths in the expected texts do not depend on the user.
class ConfigTest : public ::testing::Test {
protected:
    configtexts::ScopedEnv home{"HOME", "/home/tester"};
    configtexts::ScopedEnv documents{"XDG_DOCUMENTS_DIR", nullptr};

    // Reads a file made of the header and the given lines; returns what the writer makes of it.
    std::string roundTrip(const std::string& lines, data::ConfigReadOptions options = {}) {
        options.createDataExchangeDirectory = false;
        data::applySettingsText("[Corvane]\n" + lines, settings, testsupport::shippedTables(),
                                prompter, options);
        data::splitWaypointPath(settings);
        return data::renderSettings(settings);
    }

    Settings settings;
    platform::RecordingPrompter prompter;
};

TEST_F(ConfigTest, EachKeyReadsItsValueAndFallsBackWhenItCannot) {
    const std::string tooLong = "/" + std::string(engine::kPathCapacity + 100, 'p');
    const std::string noRoomForSlash = "/" + std::string(engine::kPathCapacity - 2, 'q');
    std::string items;
    for (int i = 0; i < 40; ++i)
        items += "254 ";
    const std::string wedge40 = "KEYWEDGE=40, " + items + "\n";
    // What the writer makes of the lines: each expected "Key=value" line (value "" for absent).
    struct Case {
        std::string lines, expected;
    };
    const Case cases[] = {
        // Keys need an upper-case first letter and match without case; ports must be exact.
        {"GPSPORT=COM4:\ngpsport=COM5:\n", "GPSPort=COM4:"},
        {"GPSPort=com2:\n", "GPSPort=COM1:"},
        {"GPSBaud=4800 \nGPSParity=MARK\nGPSDatabits=7\nGPSStopBits=1.5\nGPSDTR=no\nGPSRTS=YES\n",
         "GPSBaud=9600\nGPSParity=mark\nGPSDatabits=7\nGPSStopBits=1.5\nGPSDTR=No\nGPSRTS=Yes"},
        // Any key with the first letter F or U sets Format or Units.
        {"Format=dms\nUnit=feet\nDatum=NAS-C\n", "Format=DMS\nUnits=Feet\nDatum=NAS-C"},
        {"Fmt=UTM\nUnits=Furlongs\n", "Format=UTM\nUnits=Statute"},
        // Yes/No rules differ per key; K_RAW wins over K_INTERNAL wherever it stands.
        {"InsertEnabled=yes\nEXPTWPT=YES\nMaskEHE=yes\nDataExchange=Yup\nAudibleFixes=Yes \n",
         "InsertEnabled=No\nEXPTWPT=No\nMaskEHE=Yes\nDataExchange=Yes\nAudibleFixes=No"},
        {"K_RAW=Yes\nK_INTERNAL=Yes\n", "K_INTERNAL=No"},
        // The other constellations are shown unless the file says otherwise; the line goes
        // before BTENBL, which stays the last.
        {"GPSRTS=No\n", "ShowOtherSatellites=Yes"},
        {"ShowOtherSatellites=no\nBTENBL=Yes\n", "ShowOtherSatellites=No\nBTENBL=Yes"},
        {"SHOWOTHERSATELLITES=Yes \n", "ShowOtherSatellites=No"},
        {"K_INTERNAL=Yes\nK_RAW=Yes\n", "K_INTERNAL=No"},
        // Numbers are leading values, written with their precision.
        {"Heading=ManualMag\nHeadingUserDecl=12.34\nMaxEHE=2.5 m\nMinSNR=abc\nMaxPDOP=1e99\n"
         "MinElev=nan\nPointsAveraged= 25x\nMarkKey=99999999999\nK_INTKEY=300\n",
         "HeadingUserDecl=12.3\nMaxEHE=2.500\nMinSNR=0.0\nMaxPDOP=0.000\nMinElev=0.0\n"
         "PointsAveraged=25\nMarkKey=0\nK_INTKEY=44"},
        {"Heading=True\nHeadingUserDecl=12.34\nK_INTERNAL=Yes\n",
         "HeadingUserDecl=\nK_INTERNAL=Yes"},
        // A wedge list without a data item is dropped; the count never exceeds the items held.
        {"KEYWEDGE=1, 253 \nKEYWEDGE=2, 44 13 \n", "KEYWEDGE=0, "},
        {"KEYWEDGE=5, 249 44\n", "KEYWEDGE=2, 249 44 "},
        {"KEYWEDGE=2 249 44\n", "KEYWEDGE=0, "},
        {"KEYWEDGE=2, 505 -7\n", "KEYWEDGE=2, 249 249 "},
        {wedge40, "KEYWEDGE=35, " + items.substr(0, 35 * 4)},
        // A waypoint path holding a file name is split; an empty file name changes nothing.
        {"WaypointPath=/data/wpt/route.txt\n",
         "WaypointPath=/data/wpt/\nWaypointFilename=route.txt"},
        {"WaypointPath=/a/b.txt\nWaypointPath=/home/j.doe/wpt\nWaypointFilename=\n",
         "WaypointPath=/home/j.doe/wpt/\nWaypointFilename=b.txt"},
        // Device paths are translated; relative and over-long ones are not taken.
        {"WaypointPath=\\My Documents\\Wpt\\a.txt\nDataExchangePath=\\C_Drive\\exchange\\\n",
         "WaypointPath=" + kHome + "Documents/Wpt/\nDataExchangePath=" + kHome + "exchange/"},
        {"DataExchangePath=\\\n", "DataExchangePath=" + kHome},
        {"DataExchangePath=exchange\n", "DataExchangePath=" + kHome + "Documents/"},
        {"DataExchangePath=" + noRoomForSlash + "\nWaypointPath=" + tooLong +
             ".txt\nWaypointFilename=" + tooLong + "\n",
         "DataExchangePath=" + kHome + "Documents/\nWaypointPath=" + kHome + "\nWaypointFilename="},
        // A hot-key clash moves the wedge key.
        {"MarkKey=195\nKWDGKey=195\n", "KWDGKey=193"},
        {"MarkKey=193\nKWDGKey=193\n", "KWDGKey=194"},
    };
    for (const Case& c : cases) {
        settings = Settings{};
        std::string out = roundTrip(c.lines);
        std::string_view expected = c.expected;
        while (!expected.empty()) {
            std::string_view line = expected.substr(0, expected.find('\n'));
            expected.remove_prefix(std::min(expected.size(), line.size() + 1));
            std::string key(line.substr(0, line.find('=')));
            EXPECT_EQ(valueOf(out, key), line.substr(key.size() + 1)) << c.lines.substr(0, 80);
        }
    }
    EXPECT_TRUE(prompter.messages().empty());
}

TEST_F(ConfigTest, UnknownOrOverlongDatumFallsBackToWgs84WithAMessage) {
    EXPECT_EQ(valueOf(roundTrip("Datum=NAS-C" + std::string(30, ' ') + "\n"), "Datum"), "WGE");
    EXPECT_EQ(prompter.messages(),
              std::vector<std::string>{std::string(data::kMsgDatumNotDefined)});
}

TEST_F(ConfigTest, WithTheKeyLibraryAHotKeyClashMovesBothWedgeKeys) {
    Settings s; // MarkKeyF 233: with MarkKey 193 both second keys clash too
    s.MarkKey = s.KWDGKey = 193;
    data::resolveHotKeyClash(s, true);
    EXPECT_EQ(std::pair(s.KWDGKey, s.KWDGKeyF), std::pair(194, 234));
}

TEST_F(ConfigTest, MalformedLinesNeverStopTheReader) {
    std::string lines = "Units=Metric\r\n"
                        "Protected\n" // no '='
                        "=Yes\n"      // empty key
                        "Datum=" +
                        std::string(10000, 'X') + "\n"       // over-long value
                        + std::string(10000, 'M') + "=Yes\n" // over-long key
                        + "GPSPort=COM6:";                   // no final line end
    std::string out = roundTrip(lines);
    EXPECT_EQ(valueOf(out, "Units"), "Metric");
    EXPECT_EQ(settings.Protected, 0);
    EXPECT_EQ(valueOf(out, "Datum"), "WGE");
    EXPECT_EQ(valueOf(out, "GPSPort"), "COM6:");
    EXPECT_TRUE(prompter.messages().empty());

    Settings untouched; // lines before the header change nothing
    data::applySettingsText("GPSPort=COM9:\n[Corvane]", untouched, testsupport::shippedTables(),
                            prompter);
    EXPECT_EQ(data::renderSettings(untouched), data::renderSettings(Settings{}));
}

class ConfigFileTest : public ConfigTest {
protected:
    void SetUp() override {
        std::strcpy(engine.applicationDirectory, dir.path().c_str());
        testsupport::shippedTables(); // the engine's reader uses the program's table
    }
    std::string iniPath() const { return dir.file("cv.ini"); }

    testsupport::TempDir dir;
    platform::ManualClock clock;
    engine::GpsEngine engine{clock, prompter};
};

TEST_F(ConfigFileTest, MissingFileBecomesTheDefaultFileAndACrLfFileIsRead) {
    EXPECT_FALSE(data::readSettings(engine));
    EXPECT_EQ(readFile(iniPath()), configtexts::defaultFile(kHome));
    EXPECT_EQ(prompter.messages(), std::vector<std::string>{std::string(data::kMsgConfigNotFound)});
    configtexts::ScopedEnv docs("XDG_DOCUMENTS_DIR", "/data/docs");
    EXPECT_EQ(valueOf(data::renderSettings(Settings{}), "DataExchangePath"), "/data/docs/");

    std::string exchange = dir.file("exchange");
    writeFile(iniPath(), "[Corvane]\r\nGPSPort=COM5:\r\nDataExchangePath=" + exchange + "\r\n");
    EXPECT_TRUE(data::readSettings(engine));
    EXPECT_EQ(std::string(engine.settings.DataExchangePath), exchange + "/");
    EXPECT_TRUE(std::filesystem::is_directory(exchange)) << "the exchange folder is made";
}

TEST_F(ConfigFileTest, ProtectedFileIsNeverWritten) {
    std::string original = "[Corvane]\nProtected=Yes\nGPSBaud=4800 \n";
    writeFile(iniPath(), original);
    ASSERT_TRUE(data::readSettings(engine));
    EXPECT_FALSE(data::writeSettings(engine));
    EXPECT_EQ(readFile(iniPath()), original);
}

TEST_F(ConfigFileTest, WritableFileInAFolderThatIsNotIsSavedInPlace) {
    writeFile(iniPath(), "[Corvane]\nUnits=Feet\n; " + std::string(3000, '-')); // longer than new
    struct stat before {};
    ASSERT_EQ(::stat(iniPath().c_str(), &before), 0);
    ASSERT_TRUE(data::readSettings(engine));
    ASSERT_EQ(::chmod(iniPath().c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    pid_t child = ::fork(); // saves as a user whom the folder's permissions bind, even under root
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0) _exit(2);
        _exit(data::writeSettings(engine) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::chmod(dir.path().c_str(), 0755);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 2) GTEST_SKIP() << "no other user to save as";
    EXPECT_EQ(status, 0) << "saved";
    EXPECT_EQ(readFile(iniPath()), data::renderSettings(engine.settings));
    struct stat after {};
    ASSERT_EQ(::stat(iniPath().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "written in place";
}

TEST_F(ConfigFileTest, HugeOrEndlessFilesAreRefusedAndLeaveTheSettingsAlone) {
    using data::ConfigReadResult;
    auto read = [&](const std::string& path) {
        settings = Settings{};
        return data::readSettingsFile(path, settings, testsupport::shippedTables(), prompter,
                                      {false, false});
    };
    // Exactly the largest file read, with a line across the reader's 16 KiB pieces.
    std::string text = "[Corvane]\n; " + std::string(16380 - 13, '-') + "\nUnits=Feet\n; ";
    text += std::string(data::kMaxConfigFileBytes - text.size(), '-');
    writeFile(iniPath(), text);
    EXPECT_EQ(read(iniPath()), ConfigReadResult::Read);
    EXPECT_EQ(settings.Units, 3);
    writeFile(iniPath(), text + "\nUnits=Metric");
    EXPECT_EQ(read(iniPath()), ConfigReadResult::Unreadable);
    EXPECT_EQ(settings.Units, 0);

    ASSERT_EQ(::truncate(iniPath().c_str(), off_t(2) << 30), 0); // 2 GiB that take no room
    EXPECT_EQ(read(iniPath()), ConfigReadResult::Unreadable);
}

TEST_F(ConfigFileTest, AWaypointFileNameIsSplitOffButNotAnExistingFolderWithADot) {
    std::string folder = dir.file("v1.2");
    std::filesystem::create_directory(folder);
    std::string out = roundTrip("WaypointPath=" + folder + "\n");
    EXPECT_EQ(valueOf(out, "WaypointPath"), folder + "/");
    EXPECT_EQ(valueOf(out, "WaypointFilename"), "");
    std::strcpy(settings.WaypointPath, "/srv/other/next.wpt"); // a file name already set
    std::strcpy(settings.WaypointFilename, "a.wpt");
    data::splitWaypointPath(settings);
    EXPECT_EQ(std::string(settings.WaypointPath), "/srv/other/next.wpt");
}

using ApplicationDirectoryTest = ConfigFileTest;

TEST_F(ApplicationDirectoryTest, EachFailureHasItsOwnMessageAndStartupUsesTheNamedRegistry) {
    const std::string registry = dir.file("registry.reg");
    const std::string key = "Windows Registry Editor Version 5.00\n\n"
                            "[HKEY_CURRENT_USER\\SOFTWARE\\Varnholt\\Corvane]\n";
    testsupport::TempDir app;
    EXPECT_FALSE(data::readApplicationDirectory(engine, registry)); // no key at all
    writeFile(registry, key);
    EXPECT_FALSE(data::readApplicationDirectory(engine, registry));   // key without rpath
    std::string appDir = app.path().substr(0, app.path().size() - 1); // a '/' is added
    writeFile(registry, key + "\"rpath\"=\"" + appDir + "\"\n");
    EXPECT_FALSE(data::readApplicationDirectory(engine, registry)); // no program: silent
    EXPECT_EQ(prompter.messages(),
              (std::vector<std::string>{std::string(data::kMsgRegistryKey),
                                        std::string(data::kMsgRegistryValue)}));
    EXPECT_EQ(std::string(engine.applicationDirectory), dir.path());
    prompter.clear();
    writeFile(app.file("corvane"), "");
    writeFile(app.file("cv.ini"), "[Corvane]\nMarkKey=194\nKWDGKey=194\n");
    configtexts::ScopedEnv registryFile("CORVANE_REGISTRY", registry.c_str());
    data::ConfigStartup startup;
    EXPECT_TRUE(startup.readApplicationDirectory(engine));
    EXPECT_EQ(std::string(engine.applicationDirectory), app.path());
    EXPECT_TRUE(startup.readSettings(engine));
    EXPECT_EQ(engine.settings.KWDGKey, 193);
    EXPECT_TRUE(prompter.messages().empty());
}

} // namespace
