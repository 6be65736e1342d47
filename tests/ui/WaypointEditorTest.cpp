// The four waypoint editors: what they show on opening, how they read what was typed, the refusals
// that keep them open, the name's limit and the offset actions.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "data/OffsetInput.h"
#include "geodesy/Formatter.h"
#include "tests/ui/GpsTestEngine.h"
#include "ui/WaypointEditor.h"

namespace {

using Fields = std::map<std::string, std::string>;

struct WaypointEditors : testing::Test {
    GpsTestEngine gps;

    void SetUp() override { gps.engine.settings.Units = geodesy::Metric; }

    std::unique_ptr<WaypointEditor> editor(int32_t format) {
        gps.engine.settings.Format = format;
        return makeWaypointEditor(gps.engine, format, nullptr);
    }
    static engine::Waypoint record(double lat, double lon, double alt) {
        engine::Waypoint w;
        w.number = 4;
        std::u16string(u"Gate").copy(w.name, 4);
        w.latitude = lat, w.longitude = lon, w.altitude = alt;
        return w;
    }
    // Field or list texts by accessible name.
    static std::string shown(const WaypointEditor& e, const char* name) {
        if (auto* list = named<QComboBox>(e, name)) return list->currentText().toStdString();
        if (auto* field = named<QLineEdit>(e, name)) return field->text().toStdString();
        return "<none>";
    }
    static void type(WaypointEditor& e, const Fields& fields) {
        for (const auto& [name, text] : fields) {
            if (auto* list = named<QComboBox>(e, name.c_str()))
                list->setCurrentText(QString::fromStdString(text));
            else if (auto* field = named<QLineEdit>(e, name.c_str()))
                field->setText(QString::fromStdString(text));
            else
                ADD_FAILURE() << "no control " << name;
        }
    }
};

TEST_F(WaypointEditors, OpenShowsTheRecordWithItsHemispheresAndUnits) {
    struct Case {
        int32_t format;
        double lat, lon;
        Fields expected;
    };
    // clang-format off
    const Case cases[] = {
        {geodesy::FormatDD, -12.5, 0,
         {{"Latitude", "12.5000000000000000"}, {"Latitude hemisphere", "S"},
          {"Longitude", "0.0000000000000000"}, {"Longitude hemisphere", "W"}}},
        {geodesy::FormatDM, 0, 8.25,
         {{"Latitude degrees", "0"}, {"Latitude hemisphere", "N"}, {"Longitude degrees", "8"},
          {"Longitude minutes", "15.0000000000000000"}, {"Longitude hemisphere", "E"}}},
        {geodesy::FormatDMS, 47.51, -0.25,
         {{"Latitude degrees", "47"}, {"Latitude minutes", "30"}, {"Longitude minutes", "15"},
          {"Longitude seconds", "0.0000000000000000"}, {"Longitude hemisphere", "W"}}},
        {geodesy::FormatUTM, 0, 3,
         {{"Zone", "31"}, {"Latitude band", "N"}, {"Northing", "0.0000000000000000"},
          {"Easting", "500000.0000000000000000"}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        auto e = editor(c.format);
        e->startEdit(record(c.lat, c.lon, 100));
        for (const auto& [name, text] : c.expected)
            EXPECT_EQ(shown(*e, name.c_str()), text) << c.format << " " << name;
        EXPECT_EQ(shown(*e, "Waypoint ID"), "Gate");
        EXPECT_EQ(shown(*e, "Waypoint #"), "4");
    }
    // Feet for Units Feet; a new waypoint is named after its slot.
    gps.engine.settings.Units = geodesy::Feet;
    auto e = editor(geodesy::FormatDD);
    e->startNew(6, 3);
    EXPECT_EQ(shown(*e, "Waypoint ID"), "WP7");
    EXPECT_EQ(shown(*e, "Waypoint #"), "3");
    EXPECT_EQ(shown(*e, "Elevation"), "0");
    EXPECT_EQ(textOf(*e, "Elevation unit"), "ft");
    EXPECT_FALSE(named<QCheckBox>(*e, "Show Offset")->isEnabled());
}

TEST_F(WaypointEditors, OkReadsEveryFormatBackWithItsHemispheres) {
    struct Case {
        int32_t format;
        Fields typed;
        double lat, lon;
    };
    // clang-format off
    const Case cases[] = {
        {geodesy::FormatDD,
         {{"Latitude", "12.5"}, {"Latitude hemisphere", "S"}, {"Longitude", "100.25"},
          {"Longitude hemisphere", "W"}}, -12.5, -100.25},
        {geodesy::FormatDM,
         {{"Latitude degrees", "12"}, {"Latitude minutes", "30"}, {"Longitude degrees", "8"},
          {"Longitude minutes", "15"}, {"Longitude hemisphere", "E"}}, 12.5, 8.25},
        {geodesy::FormatDMS,
         {{"Latitude degrees", "12"}, {"Latitude minutes", "30"}, {"Latitude seconds", "36"},
          {"Latitude hemisphere", "S"}, {"Longitude degrees", "0"}, {"Longitude minutes", "0"},
          {"Longitude seconds", "36"}, {"Longitude hemisphere", "W"}}, -12.51, -0.01},
        {geodesy::FormatUTM,
         {{"Zone", "31"}, {"Latitude band", "N"}, {"Northing", "0"}, {"Easting", "500000"}}, 0, 3},
    };
    // clang-format on
    for (const Case& c : cases) {
        auto e = editor(c.format);
        e->startNew(0, 1);
        type(*e, c.typed);
        type(*e, {{"Elevation", "12.5"}});
        e->accept();
        ASSERT_EQ(e->result(), QDialog::Accepted) << c.format;
        EXPECT_NEAR(e->entry().latitude, c.lat, 1e-9) << c.format;
        EXPECT_NEAR(e->entry().longitude, c.lon, 1e-9) << c.format;
        EXPECT_EQ(e->entry().altitude, 12.5);
        EXPECT_TRUE(e->positionChanged());
    }
    // The UTM fields of a stored point read back to it: not a change.
    auto e = editor(geodesy::FormatUTM);
    e->startEdit(record(-47.5, 8.25, 412.5));
    e->accept();
    EXPECT_FALSE(e->positionChanged());
    EXPECT_NEAR(e->entry().latitude, -47.5, 1e-8);
    EXPECT_NEAR(e->entry().longitude, 8.25, 1e-8);
    EXPECT_EQ(std::u16string(e->entry().name), u"Gate");
}

TEST_F(WaypointEditors, BadInputIsRefusedAndTheEditorStaysOpen) {
    struct Case {
        int32_t format;
        Fields typed;
        const char* message;
    };
    const Case cases[] = {
        {geodesy::FormatDD, {{"Latitude", "12,5"}}, "Please enter a number."},
        {geodesy::FormatDD, {{"Longitude", ""}}, "Please enter a number."},
        {geodesy::FormatDD, {{"Latitude", "91"}}, "Enter a number between 0 and 90."},
        {geodesy::FormatDD, {{"Elevation", "abc"}}, "Please enter a number."},
        {geodesy::FormatDM, {{"Latitude degrees", "12.5"}}, "Please enter an integer."},
        {geodesy::FormatDM,
         {{"Latitude degrees", "90"}, {"Latitude minutes", "30"}},
         "Enter a number between 0 and 90."},
        {geodesy::FormatDMS, {{"Longitude minutes", "60"}}, "Enter a number between 0 and 59."},
        {geodesy::FormatUTM, {{"Zone", "61"}}, "Enter a number between 1 and 60."},
        {geodesy::FormatUTM, {{"Easting", "-1"}}, "Enter a number between 0 and 1000000."},
    };
    for (const Case& c : cases) {
        gps.prompter.clear();
        auto e = editor(c.format);
        e->startNew(0, 1);
        type(*e, c.typed);
        e->accept();
        EXPECT_NE(e->result(), QDialog::Accepted) << c.message;
        EXPECT_EQ(gps.prompter.messages(), std::vector<std::string>{c.message});
    }
}

TEST_F(WaypointEditors, NameIsCutAtThirtyCharactersWithTheMessage) {
    auto e = editor(geodesy::FormatDD);
    e->startNew(0, 1);
    auto* name = named<QLineEdit>(*e, "Waypoint ID");
    name->clear();
    QTest::keyClicks(name, QString(29, QLatin1Char('a')));
    EXPECT_TRUE(gps.prompter.messages().empty());
    QTest::keyClicks(name, QStringLiteral("bc"));
    EXPECT_EQ(name->text(), QString(29, QLatin1Char('a')) + QLatin1Char('b'));
    ASSERT_FALSE(gps.prompter.messages().empty());
    EXPECT_EQ(gps.prompter.messages().front(), data::kMsgNameTooLong);
}

TEST_F(WaypointEditors, OffsetMovesTheShownPositionAndLocksItUntilRemoved) {
    auto e = editor(geodesy::FormatDD);
    e->startEdit(record(0, 9, 100));
    double distance = 10;
    int asked = 0;
    e->setAskOffset([&](data::OffsetInputValues& values, platform::Prompter&, QWidget*) {
        ++asked;
        values.distance = distance, values.direction = 90, values.slope = 30;
        return true;
    });
    auto* show = named<QCheckBox>(*e, "Show Offset");
    e->pressOffset();
    EXPECT_TRUE(show->isChecked() && show->isEnabled() && e->positionFieldsLocked());
    EXPECT_EQ(shown(*e, "Longitude"), "9.0000778275166713"); // 8.66 m east on the equator
    EXPECT_EQ(shown(*e, "Elevation"), "105");
    e->setShowOffset(false); // the base again, open to typing
    EXPECT_FALSE(e->positionFieldsLocked());
    EXPECT_EQ(shown(*e, "Longitude"), "9.0000000000000000");
    e->setShowOffset(true);
    e->accept();
    EXPECT_TRUE(e->entry().offsetOn);
    EXPECT_EQ(e->entry().offsetDistance, 10.0f);
    EXPECT_EQ(e->entry().directionRef, engine::kTrueNorthRef);
    EXPECT_EQ(e->entry().longitude, 9.0); // the base, not the moved position
    EXPECT_FALSE(e->positionChanged());

    distance = 0; // a zero distance removes the offset
    e->pressOffset();
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(show->isChecked() || show->isEnabled() || e->positionFieldsLocked());
    EXPECT_EQ(shown(*e, "Longitude"), "9.0000000000000000");
    e->accept();
    EXPECT_FALSE(e->entry().offsetOn);
    EXPECT_EQ(e->entry().directionRef, engine::kNoDirectionRef);
}

} // namespace
