#include "geodesy/Navigation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using geodesy::crossTrackError;
using geodesy::greatCircleDistance;
using geodesy::initialBearing;
using geodesy::Point;

TEST(GreatCircleDistance, OneDegreeOfEquatorAndSymmetry) {
    EXPECT_NEAR(greatCircleDistance(0, 0, 0, 1), 6378137.0 * 3.141592653589793 / 180.0, 1e-6);
    EXPECT_NEAR(greatCircleDistance(0, 0, 0, 1), 111319.49, 0.01);
    EXPECT_EQ(greatCircleDistance(10, 20, 10, 20), 0.0);
    EXPECT_NEAR(greatCircleDistance(48.1, 11.5, -33.9, 151.2),
                greatCircleDistance(-33.9, 151.2, 48.1, 11.5), 1e-6);
    // Antipodes: half the circumference.
    EXPECT_NEAR(greatCircleDistance(0, 0, 0, 180), 6378137.0 * 3.141592653589793, 1e-3);
    // Here rounding takes the haversine term a hair above 1.
    EXPECT_NEAR(greatCircleDistance(-88.2, 0, 88.2, 180), 6378137.0 * 3.141592653589793, 1e-3);
}

TEST(InitialBearing, CardinalDirectionsNorthIs360) {
    EXPECT_DOUBLE_EQ(initialBearing(0, 0, 1, 0), 360.0);
    EXPECT_NEAR(initialBearing(0, 0, 0, 1), 90.0, 1e-9);
    EXPECT_NEAR(initialBearing(0, 0, 0, -1), 270.0, 1e-9);
    EXPECT_NEAR(initialBearing(0, 0, -1, 0), 180.0, 1e-9);
    EXPECT_NEAR(initialBearing(0, 0, 1, 1), 45.0, 0.01);
    EXPECT_NEAR(initialBearing(0, 179.5, 0, -179.5), 90.0, 1e-9); // across the date line
}

TEST(InitialBearing, FromAPoleTheCourseIsFixed) {
    EXPECT_DOUBLE_EQ(initialBearing(89.9999, 0, 10, 50), 180.0);
    EXPECT_DOUBLE_EQ(initialBearing(89.9999, 0, -10, -120), 180.0);
    EXPECT_DOUBLE_EQ(initialBearing(-89.9999, 0, 10, 50), 0.0);
    // Just outside the pole's 1e-5 cosine the ordinary formula applies.
    EXPECT_NE(initialBearing(89.99, 0, 10, 50), 180.0);
}

TEST(CrossTrackError, SignTellsTheSideOfTheCourse) {
    Point from{0, 0, 0}, to{0, 1, 0};
    double left = crossTrackError(from, to, Point{0.001, 0.5, 0});
    EXPECT_LT(left, 0);
    EXPECT_NEAR(left, -111.3, 0.5);
    EXPECT_NEAR(crossTrackError(from, to, Point{-0.001, 0.5, 0}), -left, 1e-6);
    EXPECT_NEAR(crossTrackError(from, to, Point{0, 0.5, 0}), 0.0, 1e-6);
    // Square off the course the error is the whole distance.
    Point square{0.01, 0, 0};
    EXPECT_NEAR(crossTrackError(from, to, square),
                -greatCircleDistance(0, 0, square.latitude, square.longitude), 1e-3);
    // More than a radian square off the course: a quarter circumference, not NaN.
    double quarter = 6378137.0 * 3.141592653589793 / 2.0;
    EXPECT_NEAR(crossTrackError(from, to, Point{60, 0, 0}), -quarter, 1e-3);
    EXPECT_NEAR(crossTrackError(from, to, Point{-60, 0, 0}), quarter, 1e-3);
}

TEST(NavigationFormulas, NotANumberGivesNotANumber) {
    EXPECT_TRUE(std::isnan(greatCircleDistance(NAN, 0, 0, 1)));
    EXPECT_TRUE(std::isnan(initialBearing(0, INFINITY, 0, 1)));
    EXPECT_TRUE(std::isnan(initialBearing(0, 0, NAN, 1)));
    EXPECT_TRUE(std::isnan(crossTrackError(Point{0, 0, 0}, Point{0, 1, 0}, Point{NAN, 0, 0})));
}

} // namespace
