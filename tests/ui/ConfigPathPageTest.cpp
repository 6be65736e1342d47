// The "File" page (folders chosen with "Browse", the write protection only shown) and the
// "Select Path" dialog it opens.

#include <QDir>
#include <gtest/gtest.h>

#include <filesystem>

#include "ui/CCnfPath.h"
#include "ui/CDirBrowser.h"
#include "ui/ConfigPageFixture.h"

namespace {

TEST(ConfigPathPage, BrowseChoiceReplacesTheFieldAndCancelKeepsIt) {
    ConfigPageFixture f;
    CCnfPath page(f.context);
    std::optional<QString> answer;
    std::vector<QString> starts;
    page.setFolderPicker([&](const QString& start) {
        starts.push_back(start);
        return answer;
    });
    for (const char* field : {"Waypoint Data Path", "Data Exchange Path"}) {
        const QString before = fieldText(page, field);
        const std::string button = std::string("Browse ") + field;
        answer.reset();
        click(page, button.c_str()); // cancelled
        EXPECT_EQ(fieldText(page, field), before);
        EXPECT_EQ(f.gps.engine.settingsChanged, 0);
        answer = QStringLiteral("/srv/") + field; // the dialog's path, here without its '/'
        click(page, button.c_str());
        EXPECT_EQ(fieldText(page, field), *answer + "/");
        EXPECT_EQ(starts.back(), before);
        EXPECT_EQ(f.gps.engine.settingsChanged, 1);
        f.gps.engine.settingsChanged = 0;
    }
    page.apply();
    EXPECT_STREQ(f.settings.WaypointPath, "/srv/Waypoint Data Path/");
    EXPECT_STREQ(f.settings.DataExchangePath, "/srv/Data Exchange Path/");
}

TEST(ConfigPathPage, ProtectionBoxOnlyShowsTheProtection) {
    for (int protectedFile : {0, 1}) {
        ConfigPageFixture f;
        f.settings.Protected = protectedFile;
        CCnfPath page(f.context);
        click(page, "Ini File Write Protected");
        EXPECT_EQ(f.messages(), std::vector<std::string>{kProtectionFixed});
        EXPECT_EQ(ticked(page, "Ini File Write Protected"), protectedFile == 1);
        EXPECT_EQ(f.gps.engine.settingsChanged, 0);
    }
}

TEST(SelectPath, StartsAtTheFolderOrItsNearestExistingParent) {
    testsupport::TempDir dir;
    platform::RecordingPrompter prompter;
    const std::string home = QDir::homePath().toStdString() + "/";
    for (const auto& [start, selected] : {std::pair(dir.file("gone/deeper"), dir.path()),
                                          std::pair(std::string("relative"), home)}) {
        CDirBrowser browser(QString::fromStdString(start), prompter);
        EXPECT_EQ(browser.selectedPath().toStdString(), selected) << start;
        EXPECT_EQ(textOf(browser, "Current Path").toStdString(), selected) << start;
    }
}

TEST(SelectPath, MkDirMakesAFolderInTheSelectedOneOrSaysWhyNotAndSetEndsWithIt) {
    testsupport::TempDir dir;
    platform::RecordingPrompter prompter;
    const struct {
        const char* name;
        const char* refusal; // nullptr: made and selected
    } cases[] = {{"", kFolderNameMissing},
                 {"a/b", kFolderNameInvalid},
                 {"..", kFolderNameInvalid},
                 {"new", nullptr},
                 {"new", kFolderExists}};
    CDirBrowser browser(QString::fromStdString(dir.path()), prompter);
    for (const auto& c : cases) {
        ASSERT_TRUE(browser.select(QString::fromStdString(dir.path())));
        prompter.clear();
        typeInto(browser, "Folder Name", c.name);
        click(browser, "MK Dir");
        EXPECT_EQ(prompter.messages(),
                  c.refusal ? std::vector<std::string>{c.refusal} : std::vector<std::string>{});
        EXPECT_EQ(browser.selectedPath().toStdString(), dir.file(c.refusal ? "" : "new/"));
        // Only the one folder is ever made.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
                  std::filesystem::exists(dir.file("new")) ? 1 : 0);
    }
    browser.select(QString::fromStdString(dir.file("new")));
    click(browser, "Set");
    EXPECT_EQ(browser.result(), QDialog::Accepted);
    EXPECT_EQ(browser.selectedPath().toStdString(), dir.file("new/"));
}

} // namespace
