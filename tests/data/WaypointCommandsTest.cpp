#include "data/WaypointCommands.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "WaypointFixture.h"
#include "data/ConfigStartup.h"
#include "data/ConfigTexts.h"
#include "data/WaypointEditing.h"
#include "data/WaypointFile.h"

namespace {

using Kind = platform::RecordingPrompter::Kind;
using testsupport::readFile;
using testsupport::writeFile;
using wptfixture::kHeader;

struct CommandsTest : ::testing::Test, wptfixture::EngineInTempDir {
    // What the user was shown, in order: "?" questions, "!" messages, "save"/"open" dialogs.
    std::string shown() const {
        std::string out;
        for (const auto& e : prompter.entries())
            out += e.kind == Kind::Question     ? "?" + e.text + "|"
                   : e.kind == Kind::Message    ? "!" + e.text + "|"
                   : e.kind == Kind::SaveDialog ? std::string("save|")
                                                : std::string("open|");
        return out;
    }
    int add(const std::u16string& name, double altitude = 1, int selected = -1) {
        data::WaypointEntry entry;
        entry.name = name;
        entry.latitude = 5e-9;
        entry.altitude = altitude;
        return data::addWaypoint(engine, entry, selected, &views);
    }
};

TEST_F(CommandsTest, AddingAndDeletingFollowTheListAndSaveTheOpenFile) {
    openFile("w.txt");
    add(u"");
    const int last = add(u"last");
    const int slot = add(u"mid", 0.04, 0);
    EXPECT_EQ(store.at(slot).altitude, 0.01);
    EXPECT_EQ(store.at(slot).latitude, 0.0);
    EXPECT_FALSE(data::deleteWaypoint(engine, last, &views));
    prompter.queueAnswer(true);
    EXPECT_TRUE(data::deleteWaypoint(engine, 0, &views));
    EXPECT_EQ(shown(), "?Waypoint will be permanently deleted.\nContinue?|"
                       "?Waypoint will be permanently deleted.\nContinue?|");
    EXPECT_EQ(views.reloads, 4);
    ASSERT_TRUE(data::readWaypointFile(dir.file("w.txt"), store));
    EXPECT_EQ(listing(), "1:mid 2:last ");

    while (store.hasRoom())
        store.append();
    EXPECT_EQ(add(u"more"), engine::WaypointStore::kNoSlot);
    EXPECT_EQ(prompter.messages().back(), data::kMsgStoreFull);
}

TEST_F(CommandsTest, WithNoFileOpenTheFirstWaypointAsksWhereToSaveIt) {
    writeFile(dir.file("old.txt"), "keep");
    struct Case {
        std::optional<std::string> chosen;
        std::string fileName, messages;
    };
    const std::string noFile = "!No waypoint file is open.\nSelect waypoint file for storing "
                               "waypoints.|save|";
    const std::vector<Case> cases = {
        {std::nullopt, "", noFile},
        {dir.file("survey"), "survey.txt", noFile},
        {dir.file("old.txt"), "old_C1.txt",
         noFile + "!File already exists. Using:\n" + dir.file("old_C1.txt") + "|"},
    };
    for (const Case& c : cases) {
        prompter.clear();
        store.waypointFileOpen = false;
        engine.settings.WaypointFilename[0] = '\0';
        prompter.queueFileName(c.chosen);
        add(u"p");
        EXPECT_EQ(shown(), c.messages);
        EXPECT_EQ(engine.settings.WaypointFilename, c.fileName);
        EXPECT_EQ(store.waypointFileOpen, c.chosen.has_value());
        EXPECT_EQ(store.newWaypointsUnsaved, !c.chosen.has_value());
        if (c.chosen) {
            EXPECT_EQ(configtexts::valueOf(readFile(dir.file("cv.ini")), "WaypointFilename"),
                      c.fileName);
        }
    }
    EXPECT_EQ(readFile(dir.file("old.txt")), "keep");
}

TEST_F(CommandsTest, NewAndOpenOfferToSaveAndKeepTheStoreWhenTheyFail) {
    writeFile(dir.file("good.txt"), std::string(kHeader) + "1/1/1, 1: 1: 1,1,g,1,2,3,4,5,6,7,8,9,"
                                                           "10,11,12,13,14\n");
    writeFile(dir.file("foreign.txt"), "latitude,longitude\n");
    struct Case {
        bool open, answerYes;
        std::string chosen, shown, fileName, listing;
    };
    const std::string modified = "?Do you want to save the modified waypoints?|";
    const std::vector<Case> cases = {
        {false, false, "fresh.txt", modified + "save|", "fresh.txt", ""},
        {true, true, "good.txt", modified + "open|", "good.txt", "1:g "},
        {true, false, "foreign.txt", modified + "open|!Error reading waypoint file.|", "w.txt",
         "1:mine "},
    };
    for (const Case& c : cases) {
        prompter.clear();
        store.reset();
        openFile("w.txt");
        add(u"mine");
        store.waypointsModified = true;
        prompter.queueAnswer(c.answerYes);
        prompter.queueFileName(dir.file(c.chosen));
        views.reloads = 0;
        if (c.open)
            data::openWaypointFileCommand(engine, &views);
        else
            data::newWaypointFileCommand(engine, &views);
        EXPECT_EQ(shown(), c.shown) << c.chosen;
        EXPECT_EQ(engine.settings.WaypointFilename, c.fileName);
        EXPECT_EQ(listing(), c.listing) << c.chosen;
        EXPECT_EQ(views.reloads, 1);
    }
    EXPECT_EQ(readFile(dir.file("fresh.txt")), kHeader);

    // New waypoints whose save fails stay in memory and the command goes no further.
    configtexts::ScopedEnv documents("XDG_DOCUMENTS_DIR", (dir.path() + "none/").c_str());
    prompter.clear();
    store.waypointFileOpen = false;
    store.newWaypointsUnsaved = true;
    prompter.queueAnswer(true);
    prompter.queueFileName(dir.path() + "gone/x.txt");
    data::newWaypointFileCommand(engine, &views);
    EXPECT_EQ(shown(), "?Do you want to save the new waypoints?|save|!Last opened directory does "
                       "not exist. Using:\n" +
                           dir.path() +
                           "none/x_C1.txt|!Error creating way "
                           "point file.|");
    EXPECT_EQ(store.count(), 1);
    prompter.queueAnswer(true);
    prompter.queueFileName(dir.path() + "gone/x.txt");
    EXPECT_FALSE(data::saveWaypointsAtExit(engine));
}

TEST_F(CommandsTest, StartUpOpensTheConfiguredFileOrMakesADefaultOne) {
    writeFile(dir.file("good.txt"), std::string(kHeader) + "1/1/1, 1: 1: 1,1,g,1,2,3,4,5,6,7,8,9,"
                                                           "10,11,12,13,14\n");
    struct Case {
        std::string configured, fileName, listing;
        bool iniWritten;
    };
    const std::vector<Case> cases = {
        {"good.txt", "good.txt", "1:g ", false},
        {"missing.txt", "wptdef.txt", "", true},
        {"missing.txt", "wptdef_C1.txt", "", true}, // wptdef.txt now exists
        {"", "", "", false},
    };
    for (const Case& c : cases) {
        ::unlink(dir.file("cv.ini").c_str());
        std::strcpy(engine.settings.WaypointFilename, c.configured.c_str());
        store.waypointFileOpen = false;
        data::ConfigStartup().openWaypointFile(engine);
        EXPECT_EQ(engine.settings.WaypointFilename, c.fileName);
        EXPECT_EQ(store.waypointFileOpen, !c.fileName.empty());
        EXPECT_EQ(listing(), c.listing);
        EXPECT_EQ(::access(dir.file("cv.ini").c_str(), F_OK) == 0, c.iniWritten) << c.configured;
    }
    EXPECT_EQ(readFile(dir.file("wptdef.txt")), kHeader);

    // A cv.ini that exists but could not be read keeps the user's settings: it is not rewritten.
    const std::string tooBig = "[Corvane]\n" + std::string(std::size_t(1) << 20, '\n');
    writeFile(dir.file("cv.ini"), tooBig);
    data::ConfigStartup startup;
    startup.readSettings(engine);
    std::strcpy(engine.settings.WaypointPath, dir.path().c_str());
    std::strcpy(engine.settings.WaypointFilename, "missing.txt");
    startup.openWaypointFile(engine);
    EXPECT_EQ(readFile(dir.file("cv.ini")), tooBig);
}

} // namespace
