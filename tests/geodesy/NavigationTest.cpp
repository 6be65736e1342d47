#include "geodesy/Navigation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using geodesy::crossTrackError;
using geodesy::greatCircleDistance;
using geodesy::initialBearing;
using geodesy::Point;

constexpr double kHalfCircumference = 20037508.342789244; // on the 6378137 m sphere

TEST(GreatCircleDistance, OneDegreeOfEquatorAndSymmetry) {
    EXPECT_NEAR(greatCircleDistance(0, 0, 0, 1), 111319.490793, 1e-6);
    EXPECT_EQ(greatCircleDistance(10, 20, 10, 20), 0.0);
    EXPECT_NEAR(greatCircleDistance(0, 0, 0, 180), kHalfCircumference, 1e-3);
    // Here rounding takes the haversine term a hair above 1.
    EXPECT_NEAR(greatCircleDistance(-88.2, 0, 88.2, 180), kHalfCircumference, 1e-3);
}

TEST(InitialBearing, CardinalDirectionsNorthIs360AndFixedFromAPole) {
    const double cases[][5] = {{0, 0, 1, 0, 360},         {0, 0, 0, -1, 270},
                               {0, 0, 1, 1, 44.9956365},  {0, 179.5, 0, -179.5, 90},
                               {89.9999, 0, 10, 50, 180}, {89.9999, 0, -10, -120, 180},
                               {-89.9999, 0, 10, 50, 0}};
    for (const auto& c : cases)
        EXPECT_NEAR(initialBearing(c[0], c[1], c[2], c[3]), c[4], 1e-6) << c[0] << " " << c[1];
}

TEST(CrossTrackError, SignTellsTheSideOfTheCourse) {
    const Point from{0, 0, 0}, to{0, 1, 0};
    const double cases[][2] = {
        {0.001, -111.320904},
        {-0.001, 111.320904},
        {0, 0},
        // More than a radian square off the course: a quarter circumference, not NaN.
        {60, -kHalfCircumference / 2},
        {-60, kHalfCircumference / 2}};
    for (const auto& c : cases)
        EXPECT_NEAR(crossTrackError(from, to, Point{c[0], 0.5, 0}), c[1], 1e-3) << c[0];
    // Square off the course the error is the whole distance.
    EXPECT_NEAR(crossTrackError(from, to, Point{0.01, 0, 0}), -1113.194908, 1e-3);
}

} // namespace
