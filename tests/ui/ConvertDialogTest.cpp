// "Convert Waypt File": the options dialog's lists, and the command from the options through the
// save dialog's file type to the converted file.

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "data/WaypointConversion.h"
#include "geodesy/DatumTable.h"
#include "support/TestSupport.h"
#include "tests/ui/GpsTestEngine.h"
#include "ui/CConvFile.h"
#include "ui/ConvertCommand.h"
#include "ui/QtPrompter.h"

namespace {

const std::string kWaypointFile =
    "TALPA-Internal Data File, modification may cause Corvane to read this data file "
    "erroneously.\n2024/5/1,14: 5: 3,1,Gate,40.5,-111.25,1500.0,1.8,2.5,5,0,0,-1,0,0,40.5,-111.25,"
    "1500.0\n2024/12/31, 9:30: 0,2,Well 2,-33.9,18.42,12.5,0,0,1,30,90,0,0,10,-33.9,18.4199,7.5\n";

int datumIndex(const char* code) {
    int index = 0;
    EXPECT_EQ(testsupport::shippedTables().findDatum(code, index), 0u) << code;
    return index;
}

struct ConvertCommand : testing::Test {
    testsupport::TempDir waypoints;
    testsupport::TempDir out;
    GpsTestEngine gps;

    void SetUp() override {
        testsupport::shippedTables();
        testsupport::writeFile(waypoints.file("w.txt"), kWaypointFile);
        std::strcpy(gps.engine.settings.WaypointPath, waypoints.path().c_str());
        std::strcpy(gps.engine.settings.WaypointFilename, "w.txt");
    }
    // Chooses datum, units and format in the dialog's lists and presses Next (or Cancel).
    static ui::ConversionOptionsAsker choose(int datum, int units, int format, bool next = true) {
        return [=](CConvFile& dialog) {
            named<QComboBox>(dialog, "Datum")->setCurrentIndex(datum - 1);
            named<QComboBox>(dialog, "Units")->setCurrentIndex(units);
            named<QComboBox>(dialog, "Format")->setCurrentIndex(format);
            named<QPushButton>(dialog, next ? "Next" : "Cancel")->click();
            return dialog.result() == QDialog::Accepted;
        };
    }
};

TEST_F(ConvertCommand, EachFileTypeGivesTheConversionOfTheOpenFile) {
    const int nas = datumIndex("NAS-C");
    for (int i = 0; i < 5; ++i) { // the types in the order of the save dialog's filters
        const auto type = static_cast<data::ConversionType>(i);
        SCOPED_TRACE(i);
        gps.prompter.clear();
        const std::string path = out.file("converted" + std::to_string(i));
        gps.prompter.queueFileName(path);
        gps.prompter.queueFilterIndex(i);
        ui::convertWaypointFileCommand(gps.engine, gps.prompter, nullptr, choose(nas, 4, 1));

        ASSERT_EQ(gps.prompter.saveRequests().size(), 1u);
        const auto& request = gps.prompter.saveRequests().front();
        EXPECT_EQ(request.filters, ui::kConversionFilters);
        EXPECT_EQ(request.selectedFilter, 1); // "Comma Delimited"
        char home[engine::kPathCapacity] = {};
        engine::homeFolder(home, sizeof home);
        EXPECT_EQ(request.initialPath, home);

        const std::string expected = out.file("expected");
        EXPECT_EQ(data::convertWaypointFile(gps.engine, expected, {type, nas, 1, 4}).records, 2);
        const std::string text = testsupport::readFile(path);
        EXPECT_EQ(text, testsupport::readFile(expected));
        EXPECT_EQ(text.find('\t') != std::string::npos, type == data::ConversionType::Tab);
        EXPECT_EQ(gps.engine.settings.WaypointPath, waypoints.path()); // the folder stays
        EXPECT_TRUE(gps.prompter.messages().empty());
    }
}

TEST_F(ConvertCommand, CancelAtEitherStepWritesNothing) {
    for (const bool next : {false, true}) { // nothing queued: the save dialog is cancelled
        gps.prompter.clear();
        ui::convertWaypointFileCommand(gps.engine, gps.prompter, nullptr, choose(1, 1, 0, next));
        EXPECT_EQ(gps.prompter.saveRequests().size(), next ? 1u : 0u);
        EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    }
}

TEST(ConvertOptions, ListsStartAtTheSettingsAndAltitudeRefIsFixed) {
    const struct {
        const char* datum;
        int units, format;
        char altitudeRef;
        const char* shownRef;
    } cases[] = {{"WGE", 0, 0, 'H', "HAE"}, {"NAS-C", 4, 3, 'M', "MSL"}};
    for (const auto& c : cases) {
        engine::Settings settings;
        std::strcpy(settings.Datum, c.datum);
        settings.Units = c.units, settings.Format = c.format, settings.AltitudeRef = c.altitudeRef;
        CConvFile dialog(settings, testsupport::shippedTables());
        EXPECT_EQ(named<QComboBox>(dialog, "Datum")->count(), geodesy::datumTable().datumCount());
        const data::ConversionOptions o = dialog.options();
        EXPECT_EQ(std::vector<int>({o.datumIndex, o.units, o.format}),
                  std::vector<int>({datumIndex(c.datum), c.units, c.format}));
        const QComboBox* ref = named<QComboBox>(dialog, "Altitude Ref");
        EXPECT_EQ(ref->currentText(), c.shownRef);
        EXPECT_FALSE(ref->isEnabled());
    }
}

// The Qt save dialog hands back which of two types sharing "*.txt" was chosen, and the chosen
// type's extension is added to a name typed without one.
TEST(PrompterFileTypes, ChosenTypeComesBackWithItsExtension) {
    testsupport::TempDir dir;
    ui::QtPrompter prompter;
    QString preselected;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        preselected = dialog->selectedNameFilter();
        dialog->selectNameFilter(QStringLiteral("CSV (*.csv)"));
        emit dialog->filterSelected(QStringLiteral("CSV (*.csv)"));
        dialog->selectFile(QString::fromStdString(dir.file("points")));
        static_cast<QDialog*>(dialog)->accept(); // protected in QFileDialog
    });
    const auto chosen =
        prompter.saveFileNameAndType("Convert", dir.path(), ui::kConversionFilters, 1);
    EXPECT_EQ(preselected, "Comma Delimited (*.txt)");
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->filterIndex, 2);
    EXPECT_EQ(chosen->path, dir.file("points.csv"));
}

} // namespace
