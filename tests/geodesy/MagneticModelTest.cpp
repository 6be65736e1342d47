#include "geodesy/MagneticModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <tuple>

#include "support/TestSupport.h"

namespace {

using geodesy::HeadingInputs;
using geodesy::MagneticField;
using geodesy::MagneticModel;

const std::string kShare = testsupport::sourcePath("share/");

// Loads WMM.COF from dir into model; the directory buffer is the loader's to overwrite.
bool load(MagneticModel& model, const std::string& dir = kShare, char* buffer = nullptr) {
    char own[512];
    if (buffer == nullptr) buffer = own;
    std::snprintf(buffer, 512, "%s", dir.c_str());
    return model.loadMagneticModel(buffer, 512, 12);
}

struct Published {
    float year, altitudeKm, latitude, longitude, declination;
};

// Some of the WMM2025 report's test values (declination to 0.01 degree).
constexpr Published kWmm2025[] = {
    {2025.0f, 0, 80, 0, 1.28f},   {2025.0f, 100, 0, 120, -0.15f}, {2025.0f, 0, -80, 240, 68.78f},
    {2027.5f, 100, 80, 0, 2.16f}, {2027.5f, 0, 0, 120, -0.24f},   {2027.5f, 100, -80, 240, 67.93f},
};

TEST(MagneticModelSynthesis, MatchesThePublishedWmm2025TestValues) {
    MagneticModel model;
    ASSERT_TRUE(load(model));
    EXPECT_FLOAT_EQ(model.epoch(), 2025.0f);
    EXPECT_STREQ(model.modelName(), "WMM-2025");
    for (const auto& p : kWmm2025) {
        float declination = 0;
        ASSERT_TRUE(
            model.declinationAt(p.altitudeKm, p.latitude, p.longitude, p.year, declination));
        // Printed to 0.01; single precision adds a few thousandths.
        EXPECT_NEAR(declination, p.declination, 0.01)
            << p.year << " " << p.altitudeKm << " " << p.latitude << " " << p.longitude;
    }
}

// The model keeps the terms of the last place and year; changing one input at a time must give
// what a fresh model gives.
TEST(MagneticModelSynthesis, RememberedInputsGiveTheSameFieldAsAFreshModel) {
    MagneticModel busy, fresh;
    ASSERT_TRUE(load(busy) && load(fresh));
    MagneticField f, expected;
    for (auto [alt, lat, lon, year] : {std::tuple{0.0f, 45.0f, 10.0f, 2026.0f},
                                       {0.0f, 45.0f, -70.0f, 2026.0f},
                                       {3.0f, 45.0f, -70.0f, 2026.0f},
                                       {3.0f, -20.0f, -70.0f, 2028.0f},
                                       {3.0f, -20.0f, 10.0f, 2028.0f}})
        ASSERT_TRUE(busy.computeMagneticField(alt, lat, lon, year, f));
    ASSERT_TRUE(fresh.computeMagneticField(3, -20, 10, 2028.0f, expected));
    EXPECT_EQ(std::tuple(f.declination, f.inclination, f.totalIntensity),
              std::tuple(expected.declination, expected.inclination, expected.totalIntensity));
}

TEST(MagneticModelSynthesis, GridVariationFrom55DegreesAndThePoles) {
    MagneticModel model;
    ASSERT_TRUE(load(model));
    MagneticField f;
    // From 55 degrees north or south, brought into -180..180.
    for (auto [lat, lon, grid] : {std::tuple{54.9f, 20.0f, -999.0f},
                                  {60.0f, 20.0f, -11.50f},
                                  {-80.0f, 240.0f, -51.34f},
                                  {70.0f, -30.0f, 12.12f}}) {
        ASSERT_TRUE(model.computeMagneticField(0, lat, lon, 2026.0f, f));
        EXPECT_NEAR(f.gridVariation, grid, 0.01) << lat << " " << lon;
    }
    // The geographic poles give a field, not a division by zero.
    for (float pole : {90.0f, -90.0f}) {
        ASSERT_TRUE(model.computeMagneticField(0, pole, 0, 2026.0f, f));
        EXPECT_TRUE(std::isfinite(f.declination));
        EXPECT_GT(f.totalIntensity, 50000.0f);
    }
}

TEST(MagneticModelValidity, FiveYearsFromTheEpochByTheClockMonthOnEveryCall) {
    testsupport::TempDir dir;
    const std::string cof = testsupport::readFile(kShare + "WMM.COF");
    testsupport::writeFile(dir.file("WMM.COF"), "2010.0 WMM-2010" + cof.substr(cof.find('\n')));
    MagneticModel model; // one model: a success does not open the later years
    ASSERT_TRUE(load(model, dir.path()));
    for (auto [year, month, ok] :
         {std::tuple{2014, 12, true}, {2015, 1, false}, {2009, 12, true}, {2009, 11, false}}) {
        platform::SystemTime t;
        t.wYear = static_cast<uint16_t>(year);
        t.wMonth = static_cast<uint16_t>(month);
        MagneticField f;
        EXPECT_EQ(model.computeMagneticField(0, 45, 10, geodesy::decimalYear(t), f), ok)
            << year << "-" << month;
    }
}

TEST(MagneticModelFile, MalformedFilesAreReadSafely) {
    testsupport::TempDir dir;
    MagneticModel model;
    char buffer[512];
    EXPECT_FALSE(load(model, dir.path(), buffer)); // a missing file overwrites the buffer
    EXPECT_STREQ(buffer, "File Open Error");
    char small[5] = "/x/"; // gets as much of the text as fits
    EXPECT_FALSE(model.loadMagneticModel(small, sizeof small, 12));
    EXPECT_STREQ(small, "File");
    MagneticField f;
    EXPECT_FALSE(model.computeMagneticField(0, 0, 0, 2026.0f, f));
    testsupport::writeFile(dir.file("WMM.COF"), "");
    EXPECT_FALSE(load(model, dir.path())); // no epoch line: no model
    static constexpr char kBinary[] = "\x01\xff\x00\x80 1 0\n";
    // Out-of-range degrees and orders, short lines, binary bytes, a 100-character name and no
    // end marker.
    std::string bad = "2025.0 " + std::string(100, 'N') + "\n" +
                      "13 0 1 2 3 4\n-1 0 1 2 3 4\n1 -1 1 2 3 4\n12 13 1 2 3 4\n1 1 5\n" +
                      std::string(kBinary, sizeof kBinary - 1) +
                      "1  0  -29351.8       0.0      12.0       0.0\n" + std::string(300, '7') +
                      "\n";
    testsupport::writeFile(dir.file("WMM.COF"), bad);
    ASSERT_TRUE(load(model, dir.path()));
    EXPECT_EQ(std::strlen(model.modelName()), 19u);
    ASSERT_TRUE(model.computeMagneticField(0, 45, 10, 2025.5f, f));
    // Only the axial dipole term was taken: the field points to true north.
    EXPECT_NEAR(f.declination, 0.0f, 1e-4f);
}

TEST(HeadingCorrection, EachHeadingReference) {
    MagneticModel model;
    ASSERT_TRUE(load(model));
    // At 80 N and 100 km; the expected corrections are to 0.01 degree.
    const std::tuple<HeadingInputs, double, bool> cases[] = {
        {{'A', 0, 0, 80, 0, 1e5, 3.5f, 'E'}, -3.5, false},
        {{'M', 12.3f, 0, 80, 0, 1e5, 0, 0}, -12.3, false},
        {{'W', 0, 2025.0f, 80, 0, 1e5, 0, 0}, -0.85, false},
        {{'W', 0, 2024.9f, 80, 0, 1e5, 0, 0}, 0.0, true}};
    for (const auto& [in, degrees, refused] : cases) {
        const geodesy::HeadingCorrection r = model.headingCorrection(in);
        EXPECT_NEAR(r.degrees, degrees, 0.01) << in.heading << " " << in.magVarDir;
        EXPECT_EQ(r.modelRefused, refused) << in.heading << " " << in.decimalYear;
    }
}

} // namespace
