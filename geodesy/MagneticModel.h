#pragma once
// The World Magnetic Model: the coefficient file WMM.COF, the spherical-harmonic synthesis of the
// main field in single precision, and the rule that turns the heading reference into a correction
// for true bearings.

#include <cstddef>
#include <cstdio>

#include "platform/Clock.h"

namespace geodesy {

inline constexpr const char* kMagneticModelFile = "WMM.COF";
inline constexpr const char* kMagneticFileOpenError = "File Open Error";
inline constexpr const char* kMagneticOutdatedMessage =
    "WMM.COF File outdated for WMM2K Calculations or incorrect system time. Please update the file "
    "or set time.";
inline constexpr float kNoGridVariation = -999.0f;

// The results of one synthesis.
struct MagneticField {
    float declination = 0;                  // degrees, east positive
    float inclination = 0;                  // degrees, down positive
    float totalIntensity = 0;               // nT
    float gridVariation = kNoGridVariation; // degrees; -999 below 55 degrees of latitude
};

// What the heading correction reads: the heading reference of the settings and the receiver's
// state at the moment of the call.
struct HeadingInputs {
    char heading = 'T';        // 'T' true, 'A' receiver's variation, 'M' user's, 'W' model
    float userDeclination = 0; // degrees, east positive ('M')
    float decimalYear = 0;     // the year the model is evaluated for ('W')
    double latitude = 0;       // WGS84 degrees ('W')
    double longitude = 0;      // WGS84 degrees ('W')
    double altitude = 0;       // metres ('W')
    float magVar = 0;          // receiver's variation, degrees, never negative ('A')
    char magVarDir = 0;        // 'E', 'W' or 0 ('A')
};

// The outcome of a heading correction. When the model refuses the year, degrees is 0 and the
// caller shows kMagneticOutdatedMessage.
struct HeadingCorrection {
    double degrees = 0; // added to a true bearing
    bool modelRefused = false;
};

class MagneticModel {
public:
    static constexpr int kMaxDegree = 12;
    static constexpr int kSize = kMaxDegree + 1;
    static constexpr int kNameCapacity = 20;
    static constexpr int kLineCapacity = 80;

    MagneticModel();

    // Reads directory + "WMM.COF" (the directory text ends with its separator) and prepares the
    // coefficients up to maxDegree (at most 12). When the file cannot be opened, or holds no epoch
    // line, the directory buffer is overwritten with "File Open Error" (within its capacity) and
    // false is returned.
    bool loadMagneticModel(char* directory, size_t capacity, int maxDegree);

    // Field at altitude (km above the ellipsoid), geodetic latitude and longitude (degrees) and
    // decimal year. False, with nothing computed, when no model is loaded or the year lies outside
    // the model's five years.
    bool computeMagneticField(float altitudeKm, float latitude, float longitude, float year,
                              MagneticField& field);

    // The declination alone.
    bool declinationAt(float altitudeKm, float latitude, float longitude, float year,
                       float& declination);

    // Degrees added to a true bearing to express it in the chosen reference; 0, marked refused,
    // when the model refuses the year.
    HeadingCorrection headingCorrection(const HeadingInputs& inputs);

    bool loaded() const { return loaded_; }
    float epoch() const { return epoch_; }
    const char* modelName() const { return name_; }

private:
    void resetArrays();
    void readCoefficients(std::FILE* file);
    void normaliseCoefficients();
    void updateSphericalCoordinates(float altitudeKm, float latitude);
    void updateLongitudeTerms();

    bool loaded_ = false;
    int maxord_ = kMaxDegree;
    float epoch_ = 0;
    char name_[kNameCapacity] = {};

    float c_[kSize][kSize];
    float cd_[kSize][kSize];
    float tc_[kSize][kSize];
    float dp_[kSize][kSize];
    float k_[kSize][kSize];
    float snorm_[kSize * kSize]; // Schmidt factors, then the Legendre functions P[n + 13m]
    float sp_[kSize];
    float cp_[kSize];
    float fn_[kSize];
    float fm_[kSize];
    float pp_[kSize];

    // Remembered inputs of the last successful computation; -1000 means none yet.
    float otime_ = -1000.0f;
    float oalt_ = -1000.0f;
    float olat_ = -1000.0f;
    float olon_ = -1000.0f;

    // Spherical coordinates of the last (altitude, latitude).
    float ct_ = 0, st_ = 0, r_ = 0, ca_ = 0, sa_ = 0;
};

// The model the program loads once at start-up.
MagneticModel& magneticModel();

// Decimal year of a local time: year + month / 12 (so December 2010 is 2011.0).
float decimalYear(const platform::SystemTime& time);

// The heading correction against the process-wide model.
HeadingCorrection headingCorrection(const HeadingInputs& inputs);

} // namespace geodesy
