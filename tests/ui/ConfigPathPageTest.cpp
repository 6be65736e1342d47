// The "File" page (folders chosen with "Browse", the write protection only shown) and the
// "Select Path" dialog it opens.

#include <QDialog>
#include <QDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "ui/CCnfPath.h"
#include "ui/CDirBrowser.h"
#include "ui/ConfigPageFixture.h"

namespace {

class ConfigPathPage : public ::testing::Test, public ConfigPageFixture {
protected:
    ConfigPathPage() {
        std::strcpy(settings().WaypointPath, "/srv/points/");
        std::strcpy(settings().DataExchangePath, "/srv/exchange/");
        page.load();
        page.setFolderPicker([this](const QString& start) {
            starts.push_back(start.toStdString());
            return answer;
        });
    }
    CCnfPath page{context};
    std::optional<QString> answer;
    std::vector<std::string> starts;
};

TEST_F(ConfigPathPage, BrowseStartsAtTheFieldAndItsChoiceReplacesIt) {
    const struct {
        const char* field;
        std::string start;
    } fields[] = {{"Waypoint Data Path", "/srv/points/"}, {"Data Exchange Path", "/srv/exchange/"}};
    for (const auto& f : fields) {
        const std::string button = std::string("Browse ") + f.field;
        answer.reset(); // cancelled: nothing changes
        click(page, button.c_str());
        EXPECT_EQ(fieldText(page, f.field).toStdString(), f.start);
        EXPECT_EQ(gps.engine.settingsChanged, 0);
        answer = QString::fromStdString(dir.path() + f.field); // the dialog's path without '/'
        click(page, button.c_str());
        EXPECT_EQ(fieldText(page, f.field).toStdString(), dir.path() + f.field + "/");
        EXPECT_EQ(starts.back(), f.start);
        EXPECT_EQ(gps.engine.settingsChanged, 1);
        gps.engine.settingsChanged = 0;
    }
    page.apply();
    EXPECT_EQ(std::string(settings().WaypointPath), dir.path() + "Waypoint Data Path/");
    EXPECT_EQ(std::string(settings().DataExchangePath), dir.path() + "Data Exchange Path/");
}

TEST_F(ConfigPathPage, ProtectionBoxOnlyShowsTheProtection) {
    for (int protectedFile : {0, 1}) {
        settings().Protected = protectedFile;
        page.load();
        gps.prompter.clear();
        click(page, "Ini File Write Protected");
        EXPECT_EQ(messages(), std::vector<std::string>{kProtectionFixed});
        EXPECT_EQ(ticked(page, "Ini File Write Protected"), protectedFile == 1);
        EXPECT_EQ(settings().Protected, protectedFile);
        EXPECT_EQ(gps.engine.settingsChanged, 0);
    }
}

class SelectPath : public ::testing::Test {
protected:
    SelectPath() { std::filesystem::create_directory(dir.file("a")); }
    std::vector<std::string> folders() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.file("a")))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    testsupport::TempDir dir;
    platform::RecordingPrompter prompter;
};

TEST_F(SelectPath, StartsAtTheFolderOrItsNearestExistingParent) {
    const struct {
        std::string start;
        std::string selected;
    } cases[] = {
        {dir.file("a"), dir.file("a/")},
        {dir.file("a/"), dir.file("a/")},
        {dir.file("a/gone/deeper/"), dir.file("a/")},
        {"", QDir::homePath().toStdString() + "/"},
        {"relative/path", QDir::homePath().toStdString() + "/"},
    };
    for (const auto& c : cases) {
        CDirBrowser browser(QString::fromStdString(c.start), prompter);
        EXPECT_EQ(browser.selectedPath().toStdString(), c.selected) << c.start;
        EXPECT_EQ(textOf(browser, "Current Path").toStdString(), c.selected) << c.start;
    }
}

TEST_F(SelectPath, MkDirMakesTheFolderInTheSelectedOneOrSaysWhyNot) {
    const struct {
        const char* name;
        const char* message; // nullptr: made and selected
    } cases[] = {
        {"", kFolderNameMissing},   {"a/b", kFolderNameInvalid},
        {"..", kFolderNameInvalid}, {".", kFolderNameInvalid},
        {"new", nullptr},           {"new", kFolderExists},
    };
    CDirBrowser browser(QString::fromStdString(dir.file("a")), prompter);
    std::vector<std::string> made;
    for (const auto& c : cases) {
        browser.select(QString::fromStdString(dir.file("a")));
        prompter.clear();
        typeInto(browser, "Folder Name", c.name);
        click(browser, "MK Dir");
        if (c.message != nullptr) {
            EXPECT_EQ(prompter.messages(), std::vector<std::string>{c.message}) << c.name;
            EXPECT_EQ(browser.selectedPath().toStdString(), dir.file("a/")) << c.name;
        } else {
            EXPECT_TRUE(prompter.messages().empty());
            EXPECT_EQ(browser.selectedPath().toStdString(), dir.file("a/new/"));
            made.push_back(c.name);
        }
        EXPECT_EQ(folders(), made) << c.name;
    }
}

TEST_F(SelectPath, SetEndsWithTheSelectedFolder) {
    std::filesystem::create_directory(dir.file("a/b"));
    CDirBrowser browser(QString::fromStdString(dir.file("a")), prompter);
    ASSERT_TRUE(browser.select(QString::fromStdString(dir.file("a/b"))));
    click(browser, "Set");
    EXPECT_EQ(browser.result(), QDialog::Accepted);
    EXPECT_EQ(browser.selectedPath().toStdString(), dir.file("a/b/"));
}

} // namespace
