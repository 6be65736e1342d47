#include "data/WaypointFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "WaypointFixture.h"
#include "data/ConfigTexts.h"
#include "geodesy/DatumTable.h"

namespace {

using testsupport::readFile;
using testsupport::writeFile;
using wptfixture::kHeader;

const std::string kGate = "2026/3/7, 9: 5: 3,1,Gate,47.5000000000000000,8.2500000000000000,"
                          "412.5000000000000000,1.500000,2.250000,10,0.000000,0.000000,-1,0.000000,"
                          "0.000000,47.5000000000000000,8.2500000000000000,412.5000000000000000\n";
// 10 m at 30 degrees up, due east, from the equator on zone 32's central meridian: 5 m higher and
// 8.66 m east (7.78275166722e-5 degrees on the equator), written as the moved position, followed by
// the measured one.
const std::string kPost = "2026/12/31,23:59:59,2,Post,0.0000000000000000,9.0000778275166713,"
                          "105.0000000000000000,0.000000,0.000000,1,30.000000,90.000000,0,2.500000,"
                          "10.000000,0.0000000000000000,9.0000000000000000,100.0000000000000000\n";

struct FileTest : ::testing::Test, wptfixture::EngineInTempDir {
    void addTwo() {
        engine::Waypoint& gate = store.at(store.append());
        gate = {
            1, u"Gate", 47.5, 8.25, 412.5, 0, 1.5f, 2.25f, 0, 0, 0, 10, {2026, 3, 0, 7, 9, 5, 3, 0},
            0, 0,       -1};
        engine::Waypoint& post = store.at(store.append());
        post = {2, u"Post", 0, 9, 100, 0, 0, 0, 30, 90, 10, 1, {2026, 12, 0, 31, 23, 59, 59, 0},
                1, 2.5f,    0};
    }
};

TEST_F(FileTest, WritesHeaderAndRecordsAndReadsThemBack) {
    const std::string path = dir.file("w.txt");
    ASSERT_TRUE(data::writeWaypointFile(path, store, geodesy::datumTable(), "WGE"));
    EXPECT_EQ(readFile(path), kHeader); // an empty store
    addTwo();
    ASSERT_TRUE(data::writeWaypointFile(path, store, geodesy::datumTable(), "WGE"));
    EXPECT_EQ(readFile(path), kHeader + kGate + kPost);

    ASSERT_TRUE(data::readWaypointFile(path, store));
    EXPECT_EQ(data::renderWaypointFile(store, geodesy::datumTable(), "WGE"),
              kHeader + kGate + kPost);
    const engine::Waypoint& post = store.at(store.slotAt(1));
    EXPECT_EQ(post.offsetOn, 1);
    EXPECT_EQ(post.longitude, 9.0);
    EXPECT_EQ(store.at(store.slotAt(0)).offsetOn, 0);
}

TEST_F(FileTest, ReaderTakesTheLinesItCanAndStopsWhereNothingIsReadable) {
    const std::string tail = ",1,2,3,4,5,6,7,8,9,10,11,12,13,14\n";
    const std::string longName(40, 'n');
    struct Case {
        std::string lines, listing;
    };
    const std::vector<Case> cases = {
        {"1/1/1, 1: 1: 1,0,zero" + tail + "1/1/1, 1: 1: 1,257,big" + tail +
             "1/1/1, 1: 1: 1,256,top" + tail,
         "256:top "},
        {"1/1/1, 1: 1: 1,1,blanks  " + tail, "1:blanks  "},
        {"1/1/1, 1: 1: 1,1,crlf,1,2,3,4,5,6,7,8,9,10,11,12,13,14\r\n\r\n2/2/2, 2: 2: 2,2,lf" + tail,
         "1:crlf 2:lf "},
        {"1/1/1, 1: 1: 1,1,noend,1,2,3,4,5,6,7,8,9,10,11,12,13,14", "1:noend "},
        {"1/1/1, 1: 1: 1,1," + longName + tail, "1:" + longName.substr(0, 34) + " "},
        {"1/1/1, 1: 1: 1,3,fourteen,1,2,3,4,5,6,7,8,9,10,11,12\n1/1/1, 1: 1: 1,4,thirteen,1,2,3,"
         "4,5,6,7,8,9,10,11\n",
         "3:fourteen "},
        {"1/1/1, 1: 1: 1,5,before" + tail + "garbage\n1/1/1, 1: 1: 1,6,after" + tail, "5:before "},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(data::readWaypointText(kHeader + c.lines, store)) << c.lines;
        EXPECT_EQ(listing(), c.listing) << c.lines;
    }
    // A record of 14 fields takes the missing measured longitude and altitude from the final ones.
    data::readWaypointText(std::string(kHeader) + "1/1/1, 1: 1: 1,1,a,1,2,3,4,5,6,7,8,9,10,11,12\n",
                           store);
    EXPECT_EQ(store.at(0).longitude, 2.0);
    EXPECT_EQ(store.at(0).altitude, 3.0);
}

TEST_F(FileTest, AStoreHoldsAtMost256RecordsOfAFile) {
    std::string text = kHeader;
    for (int i = 1; i <= 257; ++i)
        text += "1/1/1, 1: 1: 1," + std::to_string(i <= 256 ? i : 1) +
                ",p,1,2,3,4,5,6,7,8,9,10,"
                "11,12,13,14\n";
    ASSERT_TRUE(data::readWaypointText(text, store));
    EXPECT_EQ(store.count(), 256);
    EXPECT_EQ(store.at(255).number, 256);
}

TEST_F(FileTest, FilesThatAreNotWaypointFilesAreRefusedWhole) {
    const std::string header(kHeader);
    const std::vector<std::string> texts = {
        "",
        std::string("\0\x01\xff\x7f.\n", 6),
        "TALPA-Internal Data File, modification may cause Corvane to read this file erroneously.\n",
        "talpa" + header.substr(5),
        "latitude,longitude\n1,2\n",
    };
    for (const std::string& text : texts) {
        EXPECT_FALSE(data::readWaypointText(text, store)) << text;
        EXPECT_EQ(store.count(), 0);
    }
    writeFile(dir.file("big.txt"), header + std::string(data::kMaxWaypointFileBytes, '\n'));
    std::string reason;
    EXPECT_FALSE(data::readWaypointFile(dir.file("big.txt"), store, &reason));
    EXPECT_EQ(reason, dir.file("big.txt") + ": larger than 4 MiB");
    EXPECT_FALSE(data::readWaypointFile(dir.path(), store, &reason));
    EXPECT_EQ(reason, dir.path() + ": not a regular file");
}

TEST_F(FileTest, NamesNeverHoldFieldOrLineSeparators) {
    engine::Waypoint w;
    data::setWaypointName(w, u"a,b\nc\td");
    EXPECT_EQ(platform::toUtf8(w.name), "a;b c d");
    // Cut to 34 units without keeping half of a surrogate pair.
    data::setWaypointName(w, std::u16string(33, u'x') + u"\U0001F600");
    EXPECT_EQ(platform::toUtf8(w.name), std::string(33, 'x'));
}

TEST_F(FileTest, NamesInOtherScriptsComeBackFromTheFileIntact) {
    const std::u16string names[] = {u"Πηγή Άρτεμις", u"Родник", u"水源地", u"Quelle \U0001F332"};
    for (const std::u16string& name : names) {
        engine::Waypoint& w = store.at(store.append());
        w.number = static_cast<int16_t>(store.count());
        data::setWaypointName(w, name);
    }
    const std::string path = dir.file("scripts.txt");
    ASSERT_TRUE(data::writeWaypointFile(path, store, geodesy::datumTable(), "WGE"));
    store.reset();
    ASSERT_TRUE(data::readWaypointFile(path, store));
    ASSERT_EQ(store.count(), 4);
    for (int place = 0; place < 4; ++place)
        EXPECT_EQ(std::u16string(store.at(store.slotAt(place)).name), names[place]);
}

TEST_F(FileTest, MakeUniqueNeverHandsOutAnExistingName) {
    for (const char* name :
         {"wptdef.txt", "survey_C1.txt", "survey_C2.txt", "a_C1.txt", "a_C2.txt"})
        writeFile(dir.file(name), "");
    configtexts::ScopedEnv documents("XDG_DOCUMENTS_DIR", (dir.path() + "docs/").c_str());
    struct Case {
        std::string directory, name, expectDirectory, expectName, message;
    };
    const std::string d = dir.path();
    const std::vector<Case> cases = {
        {d, "new.txt", d, "new.txt", ""},
        {d, "wptdef.txt", d, "wptdef_C1.txt",
         "File already exists. Using:\n" + d + "wptdef_C1.txt"},
        {d, "survey_C1.txt", d, "survey_C3.txt",
         "File already exists. Using:\n" + d + "survey_C3.txt"},
        {d + "gone/", "x.txt", d + "docs/", "x_C1.txt",
         "Last opened directory does not exist. Using:\n" + d + "docs/x_C1.txt"},
    };
    for (const Case& c : cases) {
        prompter.clear();
        std::string directory = c.directory, name = c.name;
        EXPECT_TRUE(data::makeFileNameUnique(directory, name, prompter, 1000));
        EXPECT_EQ(directory + name, c.expectDirectory + c.expectName);
        EXPECT_EQ(prompter.messages(), (c.message.empty() ? std::vector<std::string>{}
                                                          : std::vector<std::string>{c.message}));
    }
    std::string directory = d, name = "a_C1.txt", empty;
    EXPECT_FALSE(data::makeFileNameUnique(directory, name, prompter, 3)); // a_C1, a_C2 taken
    EXPECT_FALSE(data::makeFileNameUnique(empty, empty, prompter));
}

TEST_F(FileTest, AFailedWriteKeepsTheOldFileAndTellsTheUser) {
    openFile("w.txt");
    writeFile(dir.file("w.txt"), "old");
    ::chmod(dir.file("w.txt").c_str(), 0444);
    store.append();
    store.waypointsModified = true;
    data::ensureWaypointFile(engine, &views);
    EXPECT_EQ(readFile(dir.file("w.txt")), "old");
    EXPECT_EQ(prompter.messages(), std::vector<std::string>{"Error creating way point file."});
    EXPECT_TRUE(store.waypointsModified);
}

} // namespace
