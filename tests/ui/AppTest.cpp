// The program's command line, the headless line and the file dialogs' default suffix.

#include <gtest/gtest.h>

#include <vector>

#include "ui/CorvaneApp.h"
#include "ui/HeadlessRun.h"
#include "ui/QtPrompter.h"

namespace {

TEST(AppCommandLine, SwitchesAndUnknownArguments) {
    const struct {
        std::vector<const char*> args;
        bool splash, headless, help;
        const char* error;
    } cases[] = {
        {{"corvane"}, true, false, false, ""},
        {{"corvane", "--no-splash"}, false, false, false, ""},
        {{"corvane", "--headless", "--no-splash"}, false, true, false, ""},
        {{"corvane", "--help"}, true, false, true, ""},
        {{"corvane", "--nosplash", "x"},
         true,
         false,
         false,
         "corvane: unknown argument '--nosplash'"},
    };
    for (const auto& c : cases) {
        const ui::CommandLine line =
            ui::parseCommandLine(static_cast<int>(c.args.size()), c.args.data());
        EXPECT_EQ(line.splash, c.splash) << c.args.size();
        EXPECT_EQ(line.headless, c.headless) << c.args.size();
        EXPECT_EQ(line.help, c.help) << c.args.size();
        EXPECT_EQ(line.error, c.error);
    }
}

TEST(AppHeadless, OneLineOfTheGpsScreensTexts) {
    ui::GpsScreenTexts t;
    t.position = u"N  48.1173233\nE  11.5166933";
    t.elevation = u"Elev:  1704.4 ft";
    t.status = u"3D GPS  ";
    t.pdop = u"PDOP: 1.8";
    t.ehe = u"EHE: 4.2 m ";
    t.satellitesInView = 10;
    t.satellitesUsed = 7;
    EXPECT_EQ(ui::headlessLine(t), "3D GPS | N  48.1173233 E  11.5166933 | Elev:  1704.4 ft | "
                                   "PDOP: 1.8 | EHE: 4.2 m | sv 10/7");
}

TEST(PrompterFilters, DefaultSuffixIsTheFirstPatternsExtension) {
    const struct {
        const char* filter;
        const char* suffix;
    } cases[] = {
        {"WAY Point File (*.txt)", "txt"},
        {"CSV (*.csv)", "csv"},
        {"Tab Delimited (*.txt *.tab)", "txt"},
        {"All files (*)", ""},
        {"Any (*.*)", ""},
        {"No pattern", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ui::defaultSuffix(QString::fromLatin1(c.filter)), QString::fromLatin1(c.suffix))
            << c.filter;
}

} // namespace
