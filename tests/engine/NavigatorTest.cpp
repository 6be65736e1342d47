#include "engine/Navigator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/GpsEngine.h"
#include "geodesy/MagneticModel.h"
#include "platform/Utf.h"
#include "support/TestSupport.h"

namespace {

using engine::kHereSelection;
using engine::NavigationDisplay;
using platform::toUtf8;

struct NavigatorTest : ::testing::Test {
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine gps{clock, prompter};
    engine::Navigator navigator{gps};
    NavigationDisplay display;

    int addWaypoint(double lat, double lon) {
        const int slot = gps.waypoints.append();
        gps.waypoints.at(slot).latitude = lat;
        gps.waypoints.at(slot).longitude = lon;
        return slot;
    }
    void setFix(double lat, double lon, float speedMph, float trackTrue) {
        gps.state.position.quality = 1;
        gps.state.position.ggaTick = clock.tickCount();
        gps.state.position.latitude = lat;
        gps.state.position.longitude = lon;
        gps.state.motion.speed = speedMph;
        gps.state.motion.trackTrue = trackTrue;
    }
    std::string shown() const {
        return toUtf8(display.magText) + "|" + toUtf8(display.fromToDistance) + "|" +
               toUtf8(display.fromToAzimuth) + "|" + toUtf8(display.track) + "|" +
               toUtf8(display.hereToBearing) + "|" + toUtf8(display.speed) + "|" +
               toUtf8(display.hereToDistance) + "|" + toUtf8(display.crossTrack);
    }
};

TEST_F(NavigatorTest, MagneticCorrectionTurnsDirectionsButNotDistances) {
    gps.settings.Units = 1; // metric
    const struct {
        char heading;
        float userDeclination;
        const char* expected;
    } rows[] = {
        {'T', 0, "TRUE| 111.32 km| 90| 45| 90| 16.1 km/h| 55.66 km| 0.0 m"},
        // East declination 10: true 90 reads 80; west 10: 100; a true 355 track wraps to 5.
        {'M', 10, "10.00 M| 111.32 km| 80| 35| 80| 16.1 km/h| 55.66 km| 0.0 m"},
        {'M', -10, "-10.00 M| 111.32 km| 100| 55| 100| 16.1 km/h| 55.66 km| 0.0 m"},
    };
    const int from = addWaypoint(0, 0);
    const int to = addWaypoint(0, 1);
    setFix(0, 0.5, 10, 45);
    for (const auto& row : rows) {
        gps.settings.Heading = row.heading;
        gps.settings.HeadingUserDecl = row.userDeclination;
        navigator.updateNavigation(from, to, display);
        EXPECT_EQ(shown(), row.expected) << row.heading << row.userDeclination;
        EXPECT_TRUE(display.compassChanged);
    }
    gps.settings.HeadingUserDecl = -10;
    gps.state.motion.trackTrue = 355;
    navigator.updateNavigation(from, to, display);
    EXPECT_EQ(toUtf8(display.track), " 5");
}

TEST_F(NavigatorTest, WithoutAFixOnlyACourseBetweenWaypointsIsShown) {
    gps.settings.Units = 4; // metres
    const int from = addWaypoint(0, 0);
    const int to = addWaypoint(1, 0);
    navigator.updateNavigation(kHereSelection, to, display);
    EXPECT_EQ(shown(), "|||||||") << "from Here without a fix computes nothing";
    EXPECT_EQ(toUtf8(display.status) + "|" + toUtf8(display.pdop) + "|" + toUtf8(display.ehe),
              "COM discnt.|PDOP:  0.0|EHE: N/A  ");
    navigator.updateNavigation(from, to, display);
    EXPECT_EQ(shown(), "TRUE| 111.32 km| 360|||||");
}

TEST_F(NavigatorTest, SlowMovementKeepsTheCompassAndOffsetWaypointsCount) {
    const int from = addWaypoint(0, 0);
    const int to = addWaypoint(0, 0.001);
    // A degree's thousandth due west brings the target back to the origin (the offset is laid
    // out in grid metres, a tenth of a metre off ground metres three degrees from the meridian).
    gps.waypoints.at(to).offsetOn = 1;
    gps.waypoints.at(to).offsetDistance = 111.319f;
    gps.waypoints.at(to).offsetDirection = 270;
    setFix(0, 0, 0.4f, 90);
    navigator.updateNavigation(from, to, display);
    EXPECT_FALSE(display.compassChanged);
    EXPECT_EQ(toUtf8(display.speed), "Low Vel");
    EXPECT_NEAR(display.fromToDistanceMetres, 0.0, 0.2);
}

TEST_F(NavigatorTest, ARefusedMagneticModelIsReportedOncePerRefusal) {
    char dir[512];
    std::snprintf(dir, sizeof dir, "%s/", testsupport::sourcePath("share").c_str());
    ASSERT_TRUE(geodesy::magneticModel().loadMagneticModel(dir, sizeof dir, 12));
    gps.settings.Heading = 'W';
    gps.decimalYear = 1990.0f; // long before the model's epoch
    const int to = addWaypoint(1, 1);
    setFix(0, 0, 10, 0);
    navigator.updateNavigation(kHereSelection, to, display);
    navigator.updateNavigation(kHereSelection, to, display);
    EXPECT_EQ(toUtf8(display.magText), "0.00 WM");
    EXPECT_EQ(prompter.messages(), std::vector<std::string>{"WMM.COF File outdated for WMM2K "
                                                            "Calculations. Please update the "
                                                            "file."});
}

TEST_F(NavigatorTest, WaypointDistancesInThePickersUnits) {
    const int a = addWaypoint(0, 1);
    const int b = addWaypoint(1, 0);
    gps.waypoints.at(a).distanceFromHere = 5;
    navigator.updateWaypointDistances();
    EXPECT_EQ(gps.waypoints.at(a).distanceFromHere, 0.0f) << "no position yet";
    setFix(0, 0, 0, 0);
    const struct {
        int32_t units;
        float expected;
    } rows[] = {{0, 365221.56f}, {2, 60.107716f}, {1, 111319.49f}};
    for (const auto& row : rows) {
        gps.settings.Units = row.units;
        // The second call sees the same position tick and keeps the distances right.
        navigator.updateWaypointDistances();
        navigator.updateWaypointDistances(b);
        EXPECT_FLOAT_EQ(gps.waypoints.at(a).distanceFromHere, row.expected) << row.units;
        EXPECT_FLOAT_EQ(gps.waypoints.at(b).distanceFromHere, row.expected) << row.units;
    }
}

} // namespace
