#include "data/ConfigFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
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

const geodesy::DatumTable& datums() {
    static geodesy::DatumTable* table = [] {
        auto* t = new geodesy::DatumTable;
        std::string dir = testsupport::sourcePath("share/");
        t->loadEllipsoids(dir.c_str());
        t->loadDatums(dir.c_str());
        return t;
    }();
    return *table;
}

// Fixed home and documents folders, so paths in the expected texts do not depend on the user.
class ConfigTest : public ::testing::Test {
protected:
    configtexts::ScopedEnv home{"HOME", "/home/tester"};
    configtexts::ScopedEnv documents{"XDG_DOCUMENTS_DIR", nullptr};

    // Reads a file made of the header and the given lines; returns what the writer makes of it.
    std::string roundTrip(const std::string& lines, data::ConfigReadOptions options = {}) {
        options.createDataExchangeDirectory = false;
        data::applySettingsText("[Corvane]\n" + lines, settings, datums(), prompter, options);
        data::splitWaypointPath(settings);
        return data::renderSettings(settings);
    }

    Settings settings;
    platform::RecordingPrompter prompter;
};

TEST_F(ConfigTest, DefaultsAreWrittenInOrderWithoutAFinalLineEnd) {
    EXPECT_EQ(data::renderSettings(Settings{}), configtexts::defaultFile(kHome));
    configtexts::ScopedEnv docs("XDG_DOCUMENTS_DIR", "/data/docs");
    EXPECT_EQ(valueOf(data::renderSettings(Settings{}), "DataExchangePath"), "/data/docs/");
}

TEST_F(ConfigTest, KeysNeedAnUpperCaseFirstLetterAndMatchWithoutCase) {
    std::string out = roundTrip("gpsport=COM5:\nGPSPORT=COM7:\n");
    EXPECT_EQ(valueOf(out, "GPSPort"), "COM7:");
    out = roundTrip("GPSPORT=COM4:\ngpsport=COM5:\n");
    EXPECT_EQ(valueOf(out, "GPSPort"), "COM4:");
}

TEST_F(ConfigTest, PortAndSerialValuesFallBackWhenNotExact) {
    EXPECT_EQ(valueOf(roundTrip("GPSPort=COM10:\n"), "GPSPort"), "COM1:");
    EXPECT_EQ(valueOf(roundTrip("GPSPort=com2:\n"), "GPSPort"), "COM1:");
    settings.GPSBaudExtended = '1';
    std::string out = roundTrip("GPSBaud=4800 \nGPSParity=MARK\nGPSDatabits=7\nGPSStopBits=1.5\n"
                                "GPSDTR=no\nGPSRTS=YES\n");
    EXPECT_EQ(settings.GPSBaudExtended, '0');
    EXPECT_EQ(valueOf(out, "GPSBaud"), "9600");
    EXPECT_EQ(valueOf(out, "GPSParity"), "mark");
    EXPECT_EQ(valueOf(out, "GPSDatabits"), "7");
    EXPECT_EQ(valueOf(out, "GPSStopBits"), "1.5");
    EXPECT_EQ(valueOf(out, "GPSDTR"), "No");
    EXPECT_EQ(valueOf(out, "GPSRTS"), "Yes");
    out = roundTrip("GPSBaud=115200\nGPSDatabits=9\nGPSStopBits=1,5\n");
    EXPECT_EQ(valueOf(out, "GPSBaud"), "115200");
    EXPECT_EQ(valueOf(out, "GPSDatabits"), "8");
    EXPECT_EQ(valueOf(out, "GPSStopBits"), "1");
}

TEST_F(ConfigTest, FormatAndUnitsTakeAnyKeyWithTheirFirstLetter) {
    EXPECT_EQ(valueOf(roundTrip("Format=dms\n"), "Format"), "DMS");
    EXPECT_EQ(valueOf(roundTrip("Fmt=UTM\n"), "Format"), "UTM");
    EXPECT_EQ(valueOf(roundTrip("Format=degrees\n"), "Format"), "DD");
    EXPECT_EQ(valueOf(roundTrip("Unit=feet\n"), "Units"), "Feet");
    EXPECT_EQ(valueOf(roundTrip("Units=Furlongs\n"), "Units"), "Statute");
}

TEST_F(ConfigTest, YesNoRulesDifferPerKey) {
    std::string out = roundTrip("InsertEnabled=yes\nEXPTWPT=YES\nMaskEHE=yes\nDataExchange=Yup\n"
                                "AudibleFixes=Yes \nK_RAW=Yes\nK_INTERNAL=Yes\n");
    EXPECT_EQ(valueOf(out, "InsertEnabled"), "No");
    EXPECT_EQ(valueOf(out, "EXPTWPT"), "No");
    EXPECT_EQ(valueOf(out, "MaskEHE"), "Yes");
    EXPECT_EQ(valueOf(out, "DataExchange"), "Yes");
    EXPECT_EQ(valueOf(out, "AudibleFixes"), "No");
    EXPECT_EQ(valueOf(out, "K_INTERNAL"), "No"); // K_RAW wins
    settings.K_RAW = 0;
    EXPECT_EQ(valueOf(roundTrip("K_INTERNAL=Yes\nK_RAW=Yes\n"), "K_INTERNAL"), "No");
}

TEST_F(ConfigTest, NumbersAreLeadingValuesWrittenWithTheirPrecision) {
    std::string out =
        roundTrip("Heading=ManualMag\nHeadingUserDecl=12.34\nMaxEHE=2.5 m\nMinSNR=abc\n"
                  "MaxPDOP=1e99\nMinElev=nan\nPointsAveraged= 25x\nMarkKey=99999999999\n"
                  "K_INTKEY=300\n");
    EXPECT_EQ(valueOf(out, "HeadingUserDecl"), "12.3");
    EXPECT_EQ(valueOf(out, "MaxEHE"), "2.500");
    EXPECT_EQ(valueOf(out, "MinSNR"), "0.0");
    EXPECT_EQ(valueOf(out, "MaxPDOP"), "0.000");
    EXPECT_EQ(valueOf(out, "MinElev"), "0.0");
    EXPECT_EQ(valueOf(out, "PointsAveraged"), "25");
    EXPECT_EQ(valueOf(out, "MarkKey"), "0");
    EXPECT_EQ(valueOf(out, "K_INTKEY"), "44");
    EXPECT_EQ(roundTrip("Heading=True\n").find("HeadingUserDecl"), std::string::npos);
}

TEST_F(ConfigTest, KeyWedgeListWithoutDataItemIsDropped) {
    EXPECT_EQ(valueOf(roundTrip("KEYWEDGE=3, 44 13 9 \n"), "KEYWEDGE"), "0, ");
    EXPECT_EQ(settings.KEYWEDGE.hasDataItem, 0);
    EXPECT_EQ(valueOf(roundTrip("KEYWEDGE=3, 44 249 9 \n"), "KEYWEDGE"), "3, 44 249 9 ");
    EXPECT_EQ(settings.KEYWEDGE.hasDataItem, 1);
    // A later list without data replaces an earlier one with data.
    EXPECT_EQ(valueOf(roundTrip("KEYWEDGE=1, 253 \nKEYWEDGE=2, 44 13 \n"), "KEYWEDGE"), "0, ");
}

TEST_F(ConfigTest, KeyWedgeCountNeverExceedsTheItemsHeld) {
    std::string many = "KEYWEDGE=40, ";
    for (int i = 0; i < 40; ++i)
        many += "254 ";
    roundTrip(many + "\n");
    EXPECT_EQ(settings.KEYWEDGE.count, 35);
    EXPECT_EQ(valueOf(roundTrip("KEYWEDGE=5, 249 44\n"), "KEYWEDGE"), "2, 249 44 ");
    EXPECT_EQ(valueOf(roundTrip("KEYWEDGE=2 249 44\n"), "KEYWEDGE"), "0, "); // no ','
    EXPECT_EQ(valueOf(roundTrip("KEYWEDGE=2, 505 -7\n"), "KEYWEDGE"), "2, 249 249 ");
}

TEST_F(ConfigTest, WaypointPathWithAFileNameIsSplit) {
    std::string out = roundTrip("WaypointPath=/data/wpt/route.txt\n");
    EXPECT_EQ(valueOf(out, "WaypointPath"), "/data/wpt/");
    EXPECT_EQ(valueOf(out, "WaypointFilename"), "route.txt");
    // A directory alone: a dot elsewhere in the path does not make a file name.
    out = roundTrip("WaypointPath=/home/j.doe/wpt\nWaypointFilename=\n");
    EXPECT_EQ(valueOf(out, "WaypointPath"), "/home/j.doe/wpt/");
    EXPECT_EQ(valueOf(out, "WaypointFilename"), "route.txt"); // an empty value changes nothing
}

TEST_F(ConfigTest, DeviceStylePathsAreTranslated) {
    configtexts::ScopedEnv docs("XDG_DOCUMENTS_DIR", "/data/docs");
    std::string out = roundTrip("WaypointPath=\\My Documents\\Wpt\\a.txt\n"
                                "DataExchangePath=\\C_Drive\\exchange\\\n");
    EXPECT_EQ(valueOf(out, "WaypointPath"), "/data/docs/Wpt/");
    EXPECT_EQ(valueOf(out, "WaypointFilename"), "a.txt");
    EXPECT_EQ(valueOf(out, "DataExchangePath"), "/home/tester/exchange/");
    out = roundTrip("DataExchangePath=\\\n");
    EXPECT_EQ(valueOf(out, "DataExchangePath"), "/home/tester/");
    // A relative path is no usable folder and is not taken.
    EXPECT_EQ(valueOf(roundTrip("DataExchangePath=exchange\n"), "DataExchangePath"),
              "/home/tester/");
}

TEST_F(ConfigTest, WriterSplitsTheWaypointPathInTheSettingsThemselves) {
    std::strcpy(settings.WaypointPath, "/srv/points/today.wpt");
    data::splitWaypointPath(settings);
    EXPECT_STREQ(settings.WaypointPath, "/srv/points/");
    EXPECT_STREQ(settings.WaypointFilename, "today.wpt");
    std::strcpy(settings.WaypointPath, "/srv/other/next.wpt");
    data::splitWaypointPath(settings); // a file name is already set: nothing moves
    EXPECT_STREQ(settings.WaypointPath, "/srv/other/next.wpt");
}

TEST_F(ConfigTest, UnknownOrOverlongDatumFallsBackToWgs84WithAMessage) {
    EXPECT_EQ(valueOf(roundTrip("Datum=NAS-C\n"), "Datum"), "NAS-C");
    EXPECT_TRUE(prompter.messages().empty());
    EXPECT_EQ(valueOf(roundTrip("Datum=XYZ-9\n"), "Datum"), "WGE");
    EXPECT_EQ(valueOf(roundTrip("Datum=NAS-C" + std::string(30, ' ') + "\n"), "Datum"), "WGE");
    EXPECT_EQ(prompter.messages(),
              std::vector<std::string>(2, std::string(data::kMsgDatumNotDefined)));
}

TEST_F(ConfigTest, HotKeyClashMovesTheWedgeKey) {
    EXPECT_EQ(valueOf(roundTrip("MarkKey=195\nKWDGKey=195\n"), "KWDGKey"), "193");
    EXPECT_EQ(valueOf(roundTrip("MarkKey=193\nKWDGKey=193\n"), "KWDGKey"), "194");

    Settings s;
    s.MarkKey = s.KWDGKey = 193; // MarkKeyF is 233: both second keys would clash too
    data::resolveHotKeyClash(s, true);
    EXPECT_EQ(s.KWDGKey, 194);
    EXPECT_EQ(s.KWDGKeyF, 234);
    s.MarkKey = s.KWDGKey = 196;
    data::resolveHotKeyClash(s, true);
    EXPECT_EQ(s.KWDGKey, 193);
    EXPECT_EQ(s.KWDGKeyF, 233);
}

TEST_F(ConfigTest, MalformedLinesNeverStopTheReader) {
    std::string lines = "Units=Metric\r\n"
                        "Protected\n" // no '='
                        "=Yes\n"      // empty key
                        "Datum=" +
                        std::string(10000, 'X') + "\n"        // over-long value
                        + std::string(10000, 'M') + "=Yes\n"; // over-long key
    const char binary[] = "\x01\xff\0garbage=\x80\n";
    lines += std::string(binary, sizeof binary - 1);
    lines += "GPSPort=COM6:"; // no final line end
    std::string out = roundTrip(lines);
    EXPECT_EQ(valueOf(out, "Units"), "Metric");
    EXPECT_EQ(settings.Protected, 0);
    EXPECT_EQ(valueOf(out, "Datum"), "WGE");
    EXPECT_EQ(valueOf(out, "GPSPort"), "COM6:");
    EXPECT_TRUE(prompter.messages().empty());
}

TEST_F(ConfigTest, EmptyAndHeaderOnlyTextsLeaveTheDefaults) {
    Settings defaults;
    data::applySettingsText("", settings, datums(), prompter);
    data::applySettingsText("[Corvane]", settings, datums(), prompter);
    data::applySettingsText("GPSPort=COM9:\n", settings, datums(), prompter); // header line only
    EXPECT_EQ(data::renderSettings(settings), data::renderSettings(defaults));
}

TEST_F(ConfigTest, WrittenFileReadsBackUnchanged) {
    std::string first = roundTrip("GPSPort=COM2:\nGPSBaud=38400\nUnits=Nautical\nFormat=DM\n"
                                  "Heading=WMM 2K\nAltitudeRef=MSL\nDatum=EUR-A\nMaskSNR=Yes\n"
                                  "MinSNR=32.5\nKEYWEDGE=2, 249 13 \nK_INTKEY=13\nBTENBL=Yes");
    Settings reread;
    data::applySettingsText(first, reread, datums(), prompter, {false, false});
    EXPECT_EQ(data::renderSettings(reread), first);
}

// --- Through the engine: files, write protection, failures ---------------------------------

class ConfigFileTest : public ConfigTest {
protected:
    void SetUp() override {
        setDirectory(dir.path());
        std::string share = testsupport::sourcePath("share/");
        geodesy::datumTable().loadEllipsoids(share.c_str());
        geodesy::datumTable().loadDatums(share.c_str());
    }
    void setDirectory(const std::string& path) {
        std::strcpy(engine.applicationDirectory, path.c_str());
    }
    std::string iniPath() const { return dir.file("cv.ini"); }

    testsupport::TempDir dir;
    platform::ManualClock clock;
    engine::GpsEngine engine{clock, prompter};
};

TEST_F(ConfigFileTest, MissingFileBecomesTheDefaultFile) {
    EXPECT_FALSE(data::readSettings(engine));
    EXPECT_EQ(readFile(iniPath()), configtexts::defaultFile(kHome));
    EXPECT_EQ(prompter.messages(), std::vector<std::string>{std::string(data::kMsgConfigNotFound)});
}

TEST_F(ConfigFileTest, ReadsCrLfFileAndCreatesTheExchangeFolder) {
    std::string exchange = dir.file("exchange");
    writeFile(iniPath(), "[Corvane]\r\nGPSPort=COM5:\r\nDataExchangePath=" + exchange + "\r\n");
    EXPECT_TRUE(data::readSettings(engine));
    EXPECT_EQ(std::u16string(engine.settings.GPSPort), u"COM5:");
    EXPECT_EQ(std::string(engine.settings.DataExchangePath), exchange + "/");
    EXPECT_TRUE(std::filesystem::is_directory(exchange));
}

TEST_F(ConfigFileTest, ProtectedFileIsNeverWritten) {
    std::string original = "[Corvane]\nProtected=Yes\nGPSBaud=4800 \n";
    writeFile(iniPath(), original);
    ASSERT_TRUE(data::readSettings(engine));
    engine.settings.Units = 3;
    EXPECT_FALSE(data::writeSettings(engine));
    EXPECT_EQ(readFile(iniPath()), original);
    EXPECT_TRUE(prompter.messages().empty());
}

TEST_F(ConfigFileTest, FailedWriteKeepsThePreviousContentAndSaysSo) {
    std::filesystem::create_directory(iniPath()); // cv.ini cannot be replaced
    writeFile(iniPath() + "/keep", "x");
    EXPECT_FALSE(data::readSettings(engine)); // exists but cannot be read: not replaced
    EXPECT_FALSE(data::writeSettings(engine));
    EXPECT_EQ(readFile(iniPath() + "/keep"), "x");
    EXPECT_EQ(prompter.messages(),
              std::vector<std::string>(2, std::string(data::kMsgConfigNotFound)));

    setDirectory("/proc/"); // no file can be made there
    prompter.clear();
    EXPECT_FALSE(data::readSettings(engine)); // missing; the default file cannot be written
    EXPECT_EQ(prompter.messages(),
              std::vector<std::string>(2, std::string(data::kMsgConfigNotFound)));
}

TEST_F(ConfigFileTest, ReplacingKeepsPermissionsAndLeavesNoTemporaryFile) {
    writeFile(iniPath(), "[Corvane]\nUnits=Feet\n");
    ::chmod(iniPath().c_str(), 0600);
    ASSERT_TRUE(data::readSettings(engine));
    ASSERT_TRUE(data::writeSettings(engine));
    EXPECT_EQ(valueOf(readFile(iniPath()), "Units"), "Feet");
    EXPECT_EQ(std::filesystem::status(iniPath()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(ConfigFileTest, FileWithoutWritePermissionIsNotReplaced) {
    std::string original = "[Corvane]\nUnits=Metric\n";
    writeFile(iniPath(), original);
    ::chmod(iniPath().c_str(), 0444);
    ASSERT_TRUE(data::readSettings(engine));
    EXPECT_FALSE(data::writeSettings(engine));
    EXPECT_EQ(readFile(iniPath()), original);
    EXPECT_EQ(prompter.messages(), std::vector<std::string>{std::string(data::kMsgConfigNotFound)});
}

TEST_F(ConfigFileTest, LinkedFileIsReplacedThroughTheLink) {
    std::filesystem::create_directory(dir.file("dotfiles"));
    writeFile(dir.file("dotfiles/cv.ini"), "[Corvane]\nUnits=Feet\n");
    std::filesystem::create_symlink("dotfiles/cv.ini", iniPath());
    ASSERT_TRUE(data::readSettings(engine));
    ASSERT_TRUE(data::writeSettings(engine));
    EXPECT_TRUE(std::filesystem::is_symlink(iniPath()));
    EXPECT_EQ(valueOf(readFile(dir.file("dotfiles/cv.ini")), "Units"), "Feet");
    EXPECT_EQ(valueOf(readFile(dir.file("dotfiles/cv.ini")), "Protected"), "No");

    std::filesystem::remove(iniPath());
    std::filesystem::create_symlink(iniPath(), iniPath()); // a loop: nothing to write
    EXPECT_FALSE(data::writeSettings(engine));
}

TEST_F(ConfigFileTest, PipeInPlaceOfTheFileIsRefusedWithoutWaiting) {
    ASSERT_EQ(::mkfifo(iniPath().c_str(), 0600), 0);
    EXPECT_FALSE(data::readSettings(engine));
    EXPECT_EQ(prompter.messages(), std::vector<std::string>{std::string(data::kMsgConfigNotFound)});
}

TEST_F(ConfigFileTest, ExistingFolderWithADotIsNoFileName) {
    std::string folder = dir.file("v1.2");
    std::filesystem::create_directory(folder);
    std::string out = roundTrip("WaypointPath=" + folder + "\n");
    EXPECT_EQ(valueOf(out, "WaypointPath"), folder + "/");
    EXPECT_EQ(valueOf(out, "WaypointFilename"), "");
    std::strcpy(settings.WaypointPath, folder.c_str()); // the writer's split alike
    data::splitWaypointPath(settings);
    EXPECT_EQ(std::string(settings.WaypointPath), folder);
}

TEST_F(ConfigFileTest, PathsLongerThanTheFieldKeepThePreviousValue) {
    std::string longPath = "/" + std::string(engine::kPathCapacity + 100, 'p');
    std::string justTooLong = "/" + std::string(engine::kPathCapacity - 2, 'q'); // no room for '/'
    std::string out =
        roundTrip("WaypointPath=" + longPath + ".txt\nDataExchangePath=" + justTooLong +
                  "\nWaypointFilename=" + longPath + "\n");
    EXPECT_EQ(valueOf(out, "WaypointPath"), kHome);
    EXPECT_EQ(valueOf(out, "WaypointFilename"), "");
    EXPECT_EQ(valueOf(out, "DataExchangePath"), kHome + "Documents/");
}

class ApplicationDirectoryTest : public ConfigFileTest {
protected:
    void writeRegistry(const std::string& values) {
        writeFile(registry, "Windows Registry Editor Version 5.00\n\n"
                            "[HKEY_CURRENT_USER\\SOFTWARE\\Varnholt\\Corvane]\n" +
                                values);
    }
    std::string registry = dir.file("registry.reg");
    testsupport::TempDir app;
};

TEST_F(ApplicationDirectoryTest, FoundWhenTheProgramIsThere) {
    std::string appDir = app.path().substr(0, app.path().size() - 1); // without the '/'
    writeRegistry("\"rpath\"=\"" + appDir + "\"\n");
    writeFile(app.file("corvane"), "");
    EXPECT_TRUE(data::readApplicationDirectory(engine, registry));
    EXPECT_EQ(std::string(engine.applicationDirectory), app.path());
    EXPECT_TRUE(prompter.messages().empty());
}

TEST_F(ApplicationDirectoryTest, EachFailureHasItsOwnMessage) {
    EXPECT_FALSE(data::readApplicationDirectory(engine, registry)); // no key at all
    writeRegistry("");
    EXPECT_FALSE(data::readApplicationDirectory(engine, registry)); // key without rpath
    writeRegistry("\"rpath\"=\"" + app.path() + "\"\n");
    EXPECT_FALSE(data::readApplicationDirectory(engine, registry)); // no program: silent
    EXPECT_EQ(prompter.messages(),
              (std::vector<std::string>{std::string(data::kMsgRegistryKey),
                                        std::string(data::kMsgRegistryValue)}));
    EXPECT_EQ(std::string(engine.applicationDirectory), dir.path());
}

TEST_F(ApplicationDirectoryTest, StartupServicesUseTheRegistryNamedByTheEnvironment) {
    writeRegistry("\"rpath\"=\"" + app.path() + "\"\n");
    writeFile(app.file("corvane"), "");
    writeFile(app.file("cv.ini"), "[Corvane]\nMarkKey=194\nKWDGKey=194\n");
    configtexts::ScopedEnv registryFile("CORVANE_REGISTRY", registry.c_str());
    data::ConfigStartup startup;
    EXPECT_TRUE(startup.readApplicationDirectory(engine));
    EXPECT_TRUE(startup.readSettings(engine));
    EXPECT_EQ(engine.settings.KWDGKey, 193);
}

} // namespace
