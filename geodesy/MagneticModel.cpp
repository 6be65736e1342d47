#include "geodesy/MagneticModel.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "geodesy/Constants.h"

namespace geodesy {

namespace {

// WGS84 ellipsoid and the model's reference radius, kilometres.
constexpr float kA = 6378.137f;
constexpr float kB = 6356.7523142f;
constexpr float kRe = 6371.2f;
constexpr float kA2 = kA * kA;
constexpr float kB2 = kB * kB;
constexpr float kC2 = kA2 - kB2;
constexpr float kA4 = kA2 * kA2;
constexpr float kB4 = kB2 * kB2;
constexpr float kC4 = kA4 - kB4;
// The synthesis runs in single precision, with pi as a float.
constexpr float kPiF = static_cast<float>(kPi);
constexpr float kDtr = kPiF / 180.0f;

// The model holds for five years from its epoch.
constexpr float kValidYears = 5.0f;
constexpr float kNoInput = -1000.0f;

void copyTruncated(char* buffer, size_t capacity, const char* text) {
    if (buffer == nullptr || capacity == 0) return;
    size_t length = std::strlen(text);
    if (length >= capacity) length = capacity - 1;
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

// The fields "%d%d%f%f%f%f" would read, without the overflow an over-long digit string gives an
// int conversion.
bool parseCoefficientLine(const char* line, long& n, long& m, float& g, float& h, float& gdot,
                          float& hdot) {
    char* end = nullptr;
    n = std::strtol(line, &end, 10);
    if (end == line) return false;
    line = end;
    m = std::strtol(line, &end, 10);
    if (end == line) return false;
    float* values[] = {&g, &h, &gdot, &hdot};
    for (float* value : values) {
        line = end;
        *value = std::strtof(line, &end);
        if (end == line) return false;
    }
    return true;
}

} // namespace

MagneticModel::MagneticModel() {
    resetArrays();
}

void MagneticModel::resetArrays() {
    std::memset(c_, 0, sizeof c_);
    std::memset(cd_, 0, sizeof cd_);
    std::memset(tc_, 0, sizeof tc_);
    std::memset(dp_, 0, sizeof dp_);
    std::memset(k_, 0, sizeof k_);
    std::memset(snorm_, 0, sizeof snorm_);
    std::memset(sp_, 0, sizeof sp_);
    std::memset(cp_, 0, sizeof cp_);
    std::memset(fn_, 0, sizeof fn_);
    std::memset(fm_, 0, sizeof fm_);
    std::memset(pp_, 0, sizeof pp_);
    cp_[0] = snorm_[0] = pp_[0] = 1.0f;
    otime_ = oalt_ = olat_ = olon_ = kNoInput;
    ct_ = st_ = r_ = ca_ = sa_ = 0;
}

bool MagneticModel::loadMagneticModel(char* directory, size_t capacity, int maxDegree) {
    loaded_ = false;
    if (directory == nullptr || capacity == 0) return false;
    // Built at full length: a cut path could name another file.
    std::string path(directory, strnlen(directory, capacity));
    path += kMagneticModelFile;
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        copyTruncated(directory, capacity, kMagneticFileOpenError);
        return false;
    }

    resetArrays();
    maxord_ = maxDegree < 0 ? 0 : (maxDegree > kMaxDegree ? kMaxDegree : maxDegree);
    char line[kLineCapacity];
    name_[0] = '\0';
    // The first line holds the epoch and the model's name; a file without it is no model.
    bool haveEpoch = std::fgets(line, sizeof line, file) != nullptr &&
                     std::sscanf(line, "%f%19s", &epoch_, name_) >= 1;
    if (!haveEpoch) {
        std::fclose(file);
        copyTruncated(directory, capacity, kMagneticFileOpenError);
        return false;
    }
    readCoefficients(file);
    std::fclose(file);
    normaliseCoefficients();
    loaded_ = true;
    return true;
}

// One line per (n, m) until a line starting "9999" or the end of the file. Lines that are not
// six numbers, or whose degree and order do not fit the 13 x 13 arrays, are skipped.
void MagneticModel::readCoefficients(std::FILE* file) {
    char line[kLineCapacity];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, "9999", 4) == 0) break;
        long n = 0, m = 0;
        float gnm = 0, hnm = 0, dgnm = 0, dhnm = 0;
        if (!parseCoefficientLine(line, n, m, gnm, hnm, dgnm, dhnm)) continue;
        if (n < 0 || n > kMaxDegree || m < 0 || m > n) continue;
        c_[m][n] = gnm;
        cd_[m][n] = dgnm;
        if (m != 0) {
            c_[n][m - 1] = hnm;
            cd_[n][m - 1] = dhnm;
        }
    }
}

// Schmidt semi-normalised Gauss coefficients to unnormalised ones, and the recursion factors.
void MagneticModel::normaliseCoefficients() {
    snorm_[0] = 1.0f;
    fm_[0] = 0.0f;
    for (int n = 1; n <= maxord_; ++n) {
        snorm_[n] = snorm_[n - 1] * static_cast<float>(2 * n - 1) / static_cast<float>(n);
        int j = 2;
        for (int m = 0; m <= n; ++m) {
            k_[m][n] = static_cast<float>((n - 1) * (n - 1) - m * m) /
                       static_cast<float>((2 * n - 1) * (2 * n - 3));
            if (m > 0) {
                float flnmj = static_cast<float>((n - m + 1) * j) / static_cast<float>(n + m);
                snorm_[n + kSize * m] = snorm_[n + kSize * (m - 1)] * std::sqrt(flnmj);
                j = 1;
                c_[n][m - 1] *= snorm_[n + kSize * m];
                cd_[n][m - 1] *= snorm_[n + kSize * m];
            }
            c_[m][n] *= snorm_[n + kSize * m];
            cd_[m][n] *= snorm_[n + kSize * m];
        }
        fn_[n] = static_cast<float>(n + 1);
        fm_[n] = static_cast<float>(n);
    }
    k_[1][1] = 0.0f;
    otime_ = oalt_ = olat_ = olon_ = kNoInput;
}

// Geodetic to spherical geocentric coordinates.
void MagneticModel::updateSphericalCoordinates(float altitudeKm, float latitude) {
    float srlat = std::sin(latitude * kDtr);
    float crlat = std::cos(latitude * kDtr);
    float srlat2 = srlat * srlat;
    float crlat2 = crlat * crlat;
    float q = std::sqrt(kA2 - kC2 * srlat2);
    float q1 = altitudeKm * q;
    float q2 = ((q1 + kA2) / (q1 + kB2)) * ((q1 + kA2) / (q1 + kB2));
    ct_ = srlat / std::sqrt(q2 * crlat2 + srlat2);
    st_ = std::sqrt(1.0f - ct_ * ct_);
    float r2 = altitudeKm * altitudeKm + 2.0f * q1 + (kA4 - kC4 * srlat2) / (q * q);
    r_ = std::sqrt(r2);
    float d = std::sqrt(kA2 * crlat2 + kB2 * srlat2);
    ca_ = (altitudeKm + d) / r_;
    sa_ = kC2 * crlat * srlat / (r_ * d);
}

void MagneticModel::updateLongitudeTerms() {
    for (int m = 2; m <= maxord_; ++m) {
        sp_[m] = sp_[1] * cp_[m - 1] + cp_[1] * sp_[m - 1];
        cp_[m] = cp_[1] * cp_[m - 1] - sp_[1] * sp_[m - 1];
    }
}

bool MagneticModel::computeMagneticField(float alt, float glat, float glon, float time,
                                         MagneticField& field) {
    if (!loaded_) return false;
    float dt = time - epoch_;
    // Checked at every call (not only until the first success), and written so that a NaN year
    // is refused too.
    if (!(dt >= 0.0f && dt <= kValidYears)) return false;

    float rlon = glon * kDtr;
    sp_[1] = std::sin(rlon);
    cp_[1] = std::cos(rlon);
    bool positionChanged = alt != oalt_ || glat != olat_;
    if (positionChanged) updateSphericalCoordinates(alt, glat);
    if (glon != olon_) updateLongitudeTerms();

    float* p = snorm_;
    float aor = kRe / r_;
    float ar = aor * aor;
    float br = 0, bt = 0, bp = 0, bpp = 0;
    for (int n = 1; n <= maxord_; ++n) {
        ar *= aor;
        for (int m = 0; m <= n; ++m) {
            if (positionChanged) {
                // Unnormalised associated Legendre functions and their derivatives.
                if (n == m) {
                    p[n + kSize * m] = st_ * p[n - 1 + kSize * (m - 1)];
                    dp_[m][n] = st_ * dp_[m - 1][n - 1] + ct_ * p[n - 1 + kSize * (m - 1)];
                } else if (n == 1 && m == 0) {
                    p[n + kSize * m] = ct_ * p[n - 1 + kSize * m];
                    dp_[m][n] = ct_ * dp_[m][n - 1] - st_ * p[n - 1 + kSize * m];
                } else if (n > 1) {
                    if (m > n - 2) {
                        p[n - 2 + kSize * m] = 0.0f;
                        dp_[m][n - 2] = 0.0f;
                    }
                    p[n + kSize * m] = ct_ * p[n - 1 + kSize * m] - k_[m][n] * p[n - 2 + kSize * m];
                    dp_[m][n] =
                        ct_ * dp_[m][n - 1] - st_ * p[n - 1 + kSize * m] - k_[m][n] * dp_[m][n - 2];
                }
            }
            if (time != otime_) {
                tc_[m][n] = c_[m][n] + dt * cd_[m][n];
                if (m != 0) tc_[n][m - 1] = c_[n][m - 1] + dt * cd_[n][m - 1];
            }
            float par = ar * p[n + kSize * m];
            float temp1, temp2;
            if (m == 0) {
                temp1 = tc_[m][n] * cp_[m];
                temp2 = tc_[m][n] * sp_[m];
            } else {
                temp1 = tc_[m][n] * cp_[m] + tc_[n][m - 1] * sp_[m];
                temp2 = tc_[m][n] * sp_[m] - tc_[n][m - 1] * cp_[m];
            }
            bt -= ar * temp1 * dp_[m][n];
            bp += fm_[m] * temp2 * par;
            br += fn_[n] * temp1 * par;
            // At a geographic pole the east component comes from its own recursion.
            if (st_ == 0.0f && m == 1) {
                pp_[n] = n == 1 ? pp_[n - 1] : ct_ * pp_[n - 1] - k_[m][n] * pp_[n - 2];
                bpp += fm_[m] * temp2 * ar * pp_[n];
            }
        }
    }
    bp = st_ == 0.0f ? bpp : bp / st_;

    // Spherical components back to geodetic ones.
    float bx = -bt * ca_ - br * sa_;
    float by = bp;
    float bz = bt * sa_ - br * ca_;
    float bh = std::sqrt(bx * bx + by * by);
    field.totalIntensity = std::sqrt(bh * bh + bz * bz);
    field.declination = std::atan2(by, bx) / kDtr;
    field.inclination = std::atan2(bz, bh) / kDtr;
    field.gridVariation = kNoGridVariation;
    if (std::fabs(glat) >= 55.0f) {
        float gv = kNoGridVariation;
        if (glat > 0.0f && glon >= 0.0f) gv = field.declination - glon;
        if (glat > 0.0f && glon < 0.0f) gv = field.declination + std::fabs(glon);
        if (glat < 0.0f && glon >= 0.0f) gv = field.declination + glon;
        if (glat < 0.0f && glon < 0.0f) gv = field.declination - std::fabs(glon);
        if (gv > 180.0f) gv -= 360.0f;
        if (gv < -180.0f) gv += 360.0f;
        field.gridVariation = gv;
    }
    otime_ = time;
    oalt_ = alt;
    olat_ = glat;
    olon_ = glon;
    return true;
}

bool MagneticModel::declinationAt(float altitudeKm, float latitude, float longitude, float year,
                                  float& declination) {
    MagneticField field;
    if (!computeMagneticField(altitudeKm, latitude, longitude, year, field)) return false;
    declination = field.declination;
    return true;
}

HeadingCorrection MagneticModel::headingCorrection(const HeadingInputs& in) {
    switch (in.heading) {
    case 'A': {
        // West, and a missing direction, count negative.
        double variation = in.magVarDir == 'E' ? in.magVar : -static_cast<double>(in.magVar);
        return {-variation, false};
    }
    case 'M':
        return {-static_cast<double>(in.userDeclination), false};
    case 'W': {
        float declination = 0;
        if (declinationAt(static_cast<float>(in.altitude / 1000.0), static_cast<float>(in.latitude),
                          static_cast<float>(in.longitude), in.decimalYear, declination))
            return {-static_cast<double>(declination), false};
        return {0.0, true};
    }
    default:
        return {0.0, false};
    }
}

MagneticModel& magneticModel() {
    static MagneticModel model;
    return model;
}

float decimalYear(const platform::SystemTime& time) {
    return static_cast<float>(time.wYear + time.wMonth / 12.0);
}

HeadingCorrection headingCorrection(const HeadingInputs& inputs) {
    return magneticModel().headingCorrection(inputs);
}

} // namespace geodesy
