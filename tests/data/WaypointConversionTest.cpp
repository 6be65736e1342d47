#include "data/WaypointConversion.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include "engine/GpsEngine.h"
#include "geodesy/DatumTable.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

namespace {

using data::ConversionOptions;
using data::ConversionType;

const std::string kHeader =
    "TALPA-Internal Data File, modification may cause Corvane to read this data file "
    "erroneously.\n";
// A mark: 5 fixes, PDOP 1.8, EHE 2.5 m.
const std::string kMark = "2024/5/1,14: 5: 3,1,Gate,40.5000000000000000,-111.2500000000000000,"
                          "1500.0000000000000000,1.800000,2.500000,5,0.000000,0.000000,-1,"
                          "0.000000,0.000000,40.5000000000000000,-111.2500000000000000,"
                          "1500.0000000000000000";
// An entered point with an offset of 10 m, slope 30, to the east: final and measured differ.
const std::string kEntered = "2024/12/31, 9:30: 0,2,Well 2,-33.9,18.42,12.5,0.000000,0.000000,1,"
                             "30.000000,90.000000,0,0.000000,10.000000,-33.9,18.4199,7.5";

int datumIndex(const char* code) {
    int index = 0;
    EXPECT_EQ(testsupport::shippedTables().findDatum(code, index), 0u) << code;
    return index;
}

data::ConvertedText convert(const std::string& file, const ConversionOptions& options) {
    return data::convertWaypointText(testsupport::shippedTables(), file, options);
}

struct ScopedZone {
    explicit ScopedZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedZone() {
        unsetenv("TZ");
        tzset();
    }
};

TEST(WaypointConversion, DelimitedTextInEachFormatDatumAndUnitSystem) {
    using enum ConversionType;
    struct Case {
        std::string file;
        ConversionOptions options;
        std::string expected; // exactly, or "...part" that it holds
        int records, stoppedAt;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {kHeader, {Comma, 1, 1, 4}, "", 0, 0},
        // Each record after the first starts on a new line; no final line end.
        {kHeader + kMark + "\n" + kEntered + "\n", {Comma, 1, 1, 4},
         "2024/5/1,14: 5: 3,1,Gate,N,40,30.00000,W,111,15.00000,1500.000000000000 m,1.800000,"
         "2.500000,5,0.000000,0.000000,-1,0.000000,0.000000,N,40,30.00000,W,111,15.00000,"
         "1500.000000000000 m\n2024/12/31, 9:30: 0,2,Well 2,S,33,54.00000,E, 18,25.20000,"
         "12.500000000000 m,0.000000,0.000000,1,30.000000,90.000000,0,0.000000,10.000000,S,33,"
         "54.00000,E, 18,25.19400,7.500000000000 m", 2, 0},
        // Feet: altitude and EHE in feet, the offset distance stays in metres.
        {kHeader + kMark, {Csv, 1, 2, 3},
         "2024/5/1,14: 5: 3,1,Gate,N,40,30,0.00,W,111,15,0.00,4921.260000000000 ft,1.800000,"
         "8.202100,5,0.000000,0.000000,-1,0.000000,0.000000,N,40,30,0.00,W,111,15,0.00,"
         "4921.260000000000 ft", 1, 0},
        // CR LF lines give LF lines; DD is signed.
        {kHeader + kEntered + "\r\n" + kEntered + "\r\n", {Tab, 1, 0, 1},
         "...\t-33.900000000000\t18.419900000000\t7.500000000000 m\n2024/12/31\t 9:30: 0\t2\t",
         2, 0},
        {kHeader + kMark, {Comma, datumIndex("NAS-C"), 3, 2},
         "...,Gate,12T,4483079.63,478881.39,5011.933299026752 ft,", 1, 0},
        {kHeader + "2024/5/1,14: 5: 3,1,A,51.5,-0.1,100,1,1,1,0,0,-1,0,0,0,0,0",
         {Comma, datumIndex("OGB-7"), 0, 4},
         "...,A,51.499488344249,-0.098390704407,53.943539997563 m,", 1, 0},
        // A record that cannot be converted ends the conversion; the lines before it stay.
        {kHeader + kMark + "\n2024/5/2,10: 0: 0,2,B,1,2,3,4,5,6,7,8,9\n" + kMark,
         {Comma, 1, 0, 4}, "...,Gate,", 1, 3},
        {kHeader + kMark + "\n" + kMark + "\n2024/5/3,10: 0: 0,3,C,91,0,0,1,1,1,0,0,-1,0,0,91,0,0\n"
         + kMark, {Comma, 1, 0, 4}, "...,Gate,", 2, 4},
        {kHeader + kMark + "\nrubbish\n", {Comma, 1, 0, 4}, "...,Gate,", 1, 3},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const auto converted = convert(c.file, c.options);
        if (c.expected.rfind("...", 0) == 0)
            EXPECT_NE(converted.output.find(c.expected.substr(3)), std::string::npos)
                << converted.output;
        else
            EXPECT_EQ(converted.output, c.expected);
        EXPECT_EQ(converted.records, c.records);
        EXPECT_EQ(converted.stoppedAtLine, c.stoppedAt);
    }
}

// The open, create and seek failures, each with its message; a failed conversion leaves the
// output as it was.
TEST(WaypointConversion, FilesThatCannotBeReadOrWrittenAreReportedAndLeftAlone) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("w.txt"), kHeader + kMark);
    testsupport::writeFile(dir.file("big.txt"), kHeader + std::string(1024 * 1024, ' '));
    testsupport::writeFile(dir.file("old.txt"), "old");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    struct Case {
        std::string in, out, message, outAfter;
    };
    const std::vector<Case> cases = {
        {"gone.txt", "old.txt", "Failed to open waypoint file.", "old"},
        {"w.txt", "no/out.txt", "Failed to create the converted file.", ""},
        {"gone.txt", "no/out.txt", "Failed to open waypoint file and create the converted file.",
         ""},
        {"", "old.txt", "Failed to open waypoint file.", "old"}, // the folder itself
        {"big.txt", "old.txt", "Failed to open waypoint file.", "old"},
        {"fifo", "old.txt", "Error on seek. File I/O error.", "old"},
        // Converting a file into itself would lose it.
        {"w.txt", "w.txt", "Failed to create the converted file.", kHeader + kMark},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in + " -> " + c.out);
        platform::RecordingPrompter prompter;
        const auto result = data::convertWaypointFile(testsupport::shippedTables(), prompter,
                                                      dir.file(c.in), dir.file(c.out), {});
        EXPECT_NE(result.status, data::ConversionStatus::Converted);
        EXPECT_EQ(prompter.messages(), std::vector<std::string>{c.message});
        struct stat st {};
        if (c.outAfter.empty())
            EXPECT_NE(::stat(dir.file(c.out).c_str(), &st), 0);
        else
            EXPECT_EQ(testsupport::readFile(dir.file(c.out)), c.outAfter);
    }
}

TEST(WaypointConversion, TheEngineConvertsItsOpenFile) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("w.txt"), kHeader + kMark);
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine(clock, prompter);
    std::snprintf(engine.settings.WaypointPath, sizeof engine.settings.WaypointPath, "%s",
                  dir.path().c_str());
    std::snprintf(engine.settings.WaypointFilename, sizeof engine.settings.WaypointFilename,
                  "w.txt");
    testsupport::shippedTables();
    const auto result =
        data::convertWaypointFile(engine, dir.file("out.txt"), {ConversionType::Comma, 1, 1, 4});
    EXPECT_EQ(result.records, 1);
    EXPECT_EQ(testsupport::readFile(dir.file("out.txt")).substr(0, 48),
              "2024/5/1,14: 5: 3,1,Gate,N,40,30.00000,W,111,15.");
    EXPECT_TRUE(prompter.messages().empty());
}

// GPX and GeoJSON read back: WGS 84 at the final position whatever datum was chosen, the local
// time taken in the machine's zone (here five hours behind UTC).
const std::string kOutputFile = kHeader + kMark + "\n" + kEntered + "\n" +
                                "2024/2/30,25: 0: 0,3,Tab\tEnd,10,180,0,0,0,1,0,0,-1,0,0,10,180,0";

TEST(WaypointConversion, GpxHoldsTheWaypointsInTheSchemasOrder) {
    ScopedZone zone("EST5");
    const std::string gpx =
        convert(kOutputFile, {ConversionType::Gpx, datumIndex("OGB-7"), 3, 0}).output;
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(gpx.c_str())) << gpx;
    const pugi::xml_node root = doc.child("gpx");
    EXPECT_STREQ(root.attribute("version").value(), "1.1");
    EXPECT_STREQ(root.attribute("creator").value(), "Corvane");
    EXPECT_STREQ(root.attribute("xmlns").value(), "http://www.topografix.com/GPX/1/1");
    // Each waypoint: lat, lon, then its children in order, with their texts.
    std::vector<std::string> waypoints;
    for (pugi::xml_node wpt : root.children()) {
        std::string text = wpt.name() + (" " + std::string(wpt.attribute("lat").value())) + " " +
                           wpt.attribute("lon").value();
        for (pugi::xml_node child : wpt.children())
            text += " " + std::string(child.name()) +
                    (child.first_child().type() == pugi::node_pcdata ? "=" : "") +
                    child.child_value();
        waypoints.push_back(text);
    }
    // clang-format off
    EXPECT_EQ(waypoints, (std::vector<std::string>{
        "wpt 40.5 -111.25 ele=1500 time=2024-05-01T19:05:03Z name=Gate fix=3d pdop=1.8 extensions",
        // Entered: no fix, no PDOP; the final position is the one moved by the offset.
        "wpt -33.9 18.42 ele=12.5 time=2024-12-31T14:30:00Z name=Well 2 extensions",
        // No such day: no time. The longitude 180 is written as -180.
        "wpt 10 -180 ele=0 name=Tab\xEF\xBF\xBD" "End extensions"}));
    // clang-format on
    const pugi::xml_node ext = root.child("wpt").child("extensions");
    EXPECT_STREQ(ext.child_value("cv:positionCount"), "5");
    EXPECT_STREQ(ext.child_value("cv:ehe"), "2.5");
}

TEST(WaypointConversion, GeoJsonHoldsPointFeaturesWithTheRecordsFields) {
    ScopedZone zone("EST5");
    const auto json = nlohmann::json::parse(
        convert(kOutputFile, {ConversionType::GeoJson, datumIndex("OGB-7"), 3, 0}).output);
    EXPECT_EQ(json["type"], "FeatureCollection");
    ASSERT_EQ(json["features"].size(), 3u);
    const auto& entered = json["features"][1];
    EXPECT_EQ(entered["type"], "Feature");
    EXPECT_EQ(entered["geometry"],
              nlohmann::json::parse(R"({"type":"Point","coordinates":[18.42,-33.9,12.5]})"));
    EXPECT_EQ(entered["properties"],
              nlohmann::json::parse(R"({"number":2,"name":"Well 2","time":"2024-12-31T14:30:00Z",
        "localTime":"2024-12-31T09:30:00","pdop":0.0,"ehe":0.0,"positionCount":1,"offsetOn":true,
        "offsetDistance":10.0,"offsetSlope":30.0,"offsetDirection":90.0,"directionRef":0,
        "declination":0.0,"measuredLatitude":-33.9,"measuredLongitude":18.4199,
        "measuredAltitude":7.5})"));
    EXPECT_EQ(json["features"][0]["properties"]["pdop"], 1.8);
    EXPECT_EQ(json["features"][2]["properties"]["time"], nullptr);
}

// GDAL's readers load both files (where GDAL is installed).
TEST(WaypointConversion, OgrinfoReadsGpxAndGeoJson) {
    if (std::system("command -v ogrinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ogrinfo";
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("w.txt"), kOutputFile);
    for (auto [name, type, layer] : {std::tuple{"o.gpx", ConversionType::Gpx, "waypoints"},
                                     std::tuple{"o.geojson", ConversionType::GeoJson, "o"}}) {
        platform::RecordingPrompter prompter;
        data::convertWaypointFile(testsupport::shippedTables(), prompter, dir.file("w.txt"),
                                  dir.file(name), {type, 1, 0, 0});
        const std::string command = "ogrinfo -ro -so '" + dir.file(name) + "' " + layer + " >'" +
                                    dir.file("info") + "' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << testsupport::readFile(dir.file("info"));
        EXPECT_NE(testsupport::readFile(dir.file("info")).find("Feature Count: 3"),
                  std::string::npos)
            << testsupport::readFile(dir.file("info"));
    }
}

} // namespace
