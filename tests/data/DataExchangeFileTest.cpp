#include "data/DataExchangeFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "engine/GpsEngine.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

namespace {

using testsupport::readFile;

data::ExchangeMark sydney() {
    data::ExchangeMark m;
    m.measured = {-33.5, 151.25, 100.0};
    m.final = m.measured;
    m.time = {2026, 3, 6, 7, 9, 5, 3, 250};
    m.fixCount = 5;
    m.ehe = 2.4;
    m.pdop = 1.8;
    return m;
}

// Without an offset both blocks give the same point and the offset lines read 0.00.
TEST(DataExchangeFile, WritesEveryFormOfTheFinalThenTheMeasuredPoint) {
    const std::string expected = "DATE 2026/3/7\n"
                                 "TIME  9: 5: 3\n"
                                 "LATHEM: S\n"
                                 "LONHEM: E\n"
                                 "LAT-DD: 33.5000000\n"
                                 "LONG-DD: 151.2500000\n"
                                 "LAT-DM: 33 30.00000\n"
                                 "LON-DM: 151 15.00000\n"
                                 "LAT-DMS: 33 30 0.00\n"
                                 "LON-DMS: 151 15 0.00\n"
                                 "UTMZone: 56H\n"
                                 "UTMNorth: 6291910.31\n"
                                 "UTMEast: 337440.64\n"
                                 "ELE-M: 100.0\n"
                                 "ELE-FT: 328.1\n"
                                 "PDOP: 1.8\n"
                                 "EHE-M: 2.4\n"
                                 "EHE-FT: 7.9\n"
                                 "NUMRDG: 5\n"
                                 "DATUM: WGE\n"
                                 "OFFSET: NO\n"
                                 "OFFSET-DISTANCE-M: 0.00\n"
                                 "OFFSET-DISTANCE-FT: 0.00\n"
                                 "OFFSET-DIRECTION: 0.00\n"
                                 "OFFSET-SLOPE: 0.00\n"
                                 "LATHEM S\n"
                                 "LONHEM E\n"
                                 "LAT-DD 33.5000000\n"
                                 "LONG-DD 151.2500000\n"
                                 "LAT-DM 33 30.00000\n"
                                 "LON-DM 151 15.00000\n"
                                 "LAT-DMS 33 30 0.00\n"
                                 "LON-DMS 151 15 0.00\n"
                                 "UTMZone 56H\n"
                                 "UTMNorth 6291910.31\n"
                                 "UTMEast 337440.64\n"
                                 "ELE-M 100.0\n"
                                 "ELE-FT 328.1\n";
    EXPECT_EQ(data::renderDataExchange(testsupport::shippedTables(), "WGE", sydney()), expected);
}

// The final point in another datum, with the offset lines; the measured block follows.
TEST(DataExchangeFile, ShiftsToTheConfiguredDatumAndWritesTheOffset) {
    data::ExchangeMark m = sydney();
    m.offsetOn = true;
    m.offsetDistance = 12.5;
    m.offsetSlope = -3;
    m.offsetDirection = 97.25;
    m.final = {51.5, -0.1, 40.0};
    const std::string text = data::renderDataExchange(testsupport::shippedTables(), "OGB-7", m);
    for (const char* line :
         {"\nLATHEM: N\nLONHEM: W\nLAT-DD: 51.4994883\nLONG-DD: 0.0983907\n",
          "\nLAT-DM: 51 29.96930\nLON-DM: 0 5.90344\nLAT-DMS: 51 29 58.16\nLON-DMS: 0 5 54.21\n",
          "\nELE-M: -6.1\n",
          "\nDATUM: OGB-7\nOFFSET: YES\nOFFSET-DISTANCE-M: 12.50\n"
          "OFFSET-DISTANCE-FT: 41.01\nOFFSET-DIRECTION: 97.25\n"
          "OFFSET-SLOPE: -3.00\nLATHEM S\nLONHEM E\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin:\n" << text;
}

TEST(DataExchangeFile, ReplacesTheFileAndKeepsItWhenTheFolderCannotBeWritten) {
    testsupport::TempDir dir;
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine(clock, prompter);
    std::strcpy(engine.settings.DataExchangePath, dir.path().c_str());
    data::ExchangeMark first = sydney();
    data::ExchangeMark second = sydney();
    second.fixCount = 9;
    ASSERT_TRUE(data::writeDataExchangeFile(engine, first));
    ASSERT_TRUE(data::writeDataExchangeFile(engine, second));
    const std::string kept = readFile(dir.file("dtex.txt"));
    EXPECT_EQ(kept, data::renderDataExchange(testsupport::shippedTables(), "WGE", second));
    EXPECT_TRUE(prompter.messages().empty());

    // A protected file in a folder nobody may write: the old file stays whole and the user is
    // told.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
    ASSERT_EQ(::chmod(dir.file("dtex.txt").c_str(), 0400), 0);
    EXPECT_FALSE(data::writeDataExchangeFile(engine, first));
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(readFile(dir.file("dtex.txt")), kept);
    EXPECT_EQ(prompter.messages(), std::vector<std::string>{"Unable to open Data Exchange File"});
}

} // namespace
