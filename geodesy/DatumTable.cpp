#include "geodesy/DatumTable.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "geodesy/Constants.h"
#include "geodesy/GeocentricConverter.h"

namespace geodesy {

namespace {

constexpr double kRadiansPerArcSecond = 4.84813681109536e-6;
// Beyond this latitude (89.75 degrees) the Molodensky formulas lose accuracy; three-parameter
// datums then take the route through geocentric coordinates.
constexpr double kMolodenskyLatitudeLimit = 1.5664330036649106;
constexpr double kWgs72LongitudeShift = 2.685867793346782e-6;

// One ellips.dat line: at most 89 characters plus the line end.
constexpr std::size_t kEllipsoidLineSize = 90;

class File {
public:
    explicit File(const std::string& path) : f_(std::fopen(path.c_str(), "r")) {}
    ~File() {
        if (f_ != nullptr) std::fclose(f_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    std::FILE* get() const { return f_; }

private:
    std::FILE* f_;
};

void copyText(char* out, std::size_t outSize, const char* text) {
    if (out == nullptr || outSize == 0) return;
    std::size_t n = std::strlen(text);
    if (n >= outSize) n = outSize - 1;
    std::memcpy(out, text, n);
    out[n] = '\0';
}

bool isBlank(const char* text) {
    for (; *text != '\0'; ++text)
        if (!std::isspace(static_cast<unsigned char>(*text))) return false;
    return true;
}

enum class LineRead { End, Line, Malformed };

// Reads one line without its line end (LF or CR LF). A line that does not fit the buffer or
// holds a NUL byte is consumed whole and reported as malformed.
LineRead readEllipsoidLine(std::FILE* f, char (&line)[kEllipsoidLineSize]) {
    std::size_t n = 0;
    bool bad = false;
    int c = std::getc(f);
    if (c == EOF) return LineRead::End;
    for (; c != EOF && c != '\n'; c = std::getc(f)) {
        if (c == '\0' || n + 1 >= kEllipsoidLineSize) {
            bad = true;
            continue;
        }
        line[n++] = static_cast<char>(c);
    }
    if (n > 0 && line[n - 1] == '\r') --n;
    line[n] = '\0';
    return bad ? LineRead::Malformed : LineRead::Line;
}

// "%30c %s %lf %lf %lf" with widths on every text field; nothing but blanks may follow.
bool parseEllipsoidLine(const char* line, Ellipsoid& e) {
    char column[31] = {};
    char code[16] = {};
    int end = 0;
    if (std::sscanf(line, "%30c %15s %lf %lf %lf %n", column, code, &e.semiMajorAxis,
                    &e.semiMinorAxis, &e.inverseFlattening, &end) != 5)
        return false;
    if (line[end] != '\0' || std::strlen(code) > 2) return false;
    if (!std::isfinite(e.semiMajorAxis) || !(e.semiMajorAxis > 0.0) ||
        !std::isfinite(e.semiMinorAxis) || !std::isfinite(e.inverseFlattening) ||
        !(e.inverseFlattening > 1.0))
        return false;
    e.userDefined = column[0] == '*' ? 1 : 0;
    const char* name = column + e.userDefined;
    std::memcpy(e.name, name, sizeof(e.name) - 1);
    e.name[sizeof(e.name) - 1] = '\0';
    copyText(e.code, sizeof(e.code), code);
    return true;
}

// Skips white space; true when a record follows.
bool hasData(std::FILE* f) {
    int c;
    while ((c = std::getc(f)) != EOF && std::isspace(c)) {
    }
    if (c == EOF) return false;
    std::ungetc(c, f);
    return true;
}

// The fields of one datum record as written in the file.
struct DatumRecord {
    char code[8];
    char name[33];
    char ellipsoidCode[3];
    double values[10];
};

// Reads "%s " (code of at most maxLength characters), "\"%32[^\"]\"" (optional quoted name)
// and the ellipsoid code with count numbers. Over-wide fields and non-finite numbers are
// rejected rather than cut, so a bad record never shifts the following ones.
bool readDatumRecord(std::FILE* f, std::size_t maxCodeLength, int count, DatumRecord& r) {
    char code[64] = {};
    if (std::fscanf(f, "%63s ", code) != 1 || std::strlen(code) > maxCodeLength) return false;
    copyText(r.code, sizeof(r.code), code);

    r.name[0] = '\0';
    int c = std::getc(f);
    if (c == '"') {
        if (std::fscanf(f, "%32[^\"]", r.name) == EOF) return false;
        if (std::getc(f) != '"') return false; // unterminated or longer than 32
        // A quote left open runs into the next line; such a name would break every list of
        // datums, one per line.
        if (std::strpbrk(r.name, "\r\n") != nullptr) return false;
    } else if (c != EOF) {
        std::ungetc(c, f);
    }

    char ellipsoidCode[16] = {};
    if (std::fscanf(f, " %15s", ellipsoidCode) != 1 || std::strlen(ellipsoidCode) > 2) return false;
    copyText(r.ellipsoidCode, sizeof(r.ellipsoidCode), ellipsoidCode);
    for (int i = 0; i < count; ++i) {
        if (std::fscanf(f, "%lf", &r.values[i]) != 1 || !std::isfinite(r.values[i])) return false;
        // A number ends at white space or the end of the file, never runs into the next field.
        c = std::getc(f);
        if (c == EOF) continue;
        if (!std::isspace(c)) return false;
        std::ungetc(c, f);
    }
    return true;
}

Datum wholeWorldDatum(int32_t type, const char* code, const char* name, const char* ellipsoid) {
    Datum d = {};
    d.type = type;
    copyText(d.code, sizeof(d.code), code);
    copyText(d.name, sizeof(d.name), name);
    copyText(d.ellipsoidCode, sizeof(d.ellipsoidCode), ellipsoid);
    d.parameters[6] = 1.0;
    d.westLongitude = -kPi;
    d.eastLongitude = kPi;
    d.southLatitude = -kHalfPi;
    d.northLatitude = kHalfPi;
    return d;
}

bool validLatitude(double lat) {
    return lat >= -kHalfPi && lat <= kHalfPi;
}
bool validLongitude(double lon) {
    return lon >= -kPi && lon <= 2.0 * kPi;
}

// Molodensky shift by (dX, dY, dZ) from an ellipsoid (a, f) to one with a + da, f + df. The
// flattening term is the full one, so it matches the standard Molodensky formulas to 0.1 mm.
void molodenskyShift(double a, double da, double f, double df, double dx, double dy, double dz,
                     double lat, double lon, double h, double& latOut, double& lonOut,
                     double& hOut) {
    const double lambda = lon > kPi ? lon - 2.0 * kPi : lon;
    const double e2 = 2.0 * f - f * f;
    const double ep2 = e2 / (1.0 - e2);
    const double sinLat = std::sin(lat);
    const double cosLat = std::cos(lat);
    const double sinLon = std::sin(lambda);
    const double cosLon = std::cos(lambda);
    const double w2 = 1.0 - e2 * sinLat * sinLat;
    const double w = std::sqrt(w2);
    const double rm = a * (1.0 - e2) / (w * w2);
    const double rn = a / w;
    const double dLat =
        (dz * cosLat - sinLat * cosLon * dx - sinLat * sinLon * dy +
         (e2 * sinLat * cosLat / w) * da +
         sinLat * cosLat * (2.0 * rn + ep2 * rm * sinLat * sinLat) * (1.0 - f) * df) /
        (rm + h);
    const double dLon = (-sinLon * dx + cosLon * dy) / ((rn + h) * cosLat);
    const double dh = cosLat * cosLon * dx + cosLat * sinLon * dy + sinLat * dz - w * da +
                      (a * (1.0 - f) / w) * sinLat * sinLat * df;
    latOut = lat + dLat;
    lonOut = lon + dLon;
    hOut = h + dh;
    if (lonOut > 2.0 * kPi) {
        lonOut -= 2.0 * kPi;
    } else if (lonOut < -kPi) {
        lonOut += 2.0 * kPi;
    }
}

} // namespace

// ---- Loading ---------------------------------------------------------------------------------

uint32_t DatumTable::loadEllipsoids(const char* directory) {
    if (ellipsoidsLoaded_ && wgs84Ellipsoid_ != 0 && wgs72Ellipsoid_ != 0) return 0;
    ellipsoidsLoaded_ = false;
    ellipsoidCount_ = 0;
    wgs84Ellipsoid_ = wgs72Ellipsoid_ = 0;

    File file(std::string(directory != nullptr ? directory : "") + "ellips.dat");
    if (file.get() == nullptr) return EllipsoidStatus::FileOpenError;

    uint32_t status = 0;
    int count = 0;
    char line[kEllipsoidLineSize];
    for (;;) {
        const LineRead read = readEllipsoidLine(file.get(), line);
        if (read == LineRead::End) break;
        if (read == LineRead::Line && isBlank(line)) continue;
        if (count == kMaxEllipsoids) {
            status |= EllipsoidStatus::TooManyLines;
            break;
        }
        Ellipsoid e = {};
        if (read == LineRead::Malformed || !parseEllipsoidLine(line, e)) {
            status |= EllipsoidStatus::MalformedLine;
            break;
        }
        ellipsoids_[count++] = e;
    }
    if (status != 0) return status;

    ellipsoidCount_ = count;
    ellipsoidsLoaded_ = true;
    if (findEllipsoid("WE", wgs84Ellipsoid_) != 0) status |= EllipsoidStatus::WgsMissing;
    if (findEllipsoid("WD", wgs72Ellipsoid_) != 0) status |= EllipsoidStatus::WgsMissing;
    return status;
}

uint32_t DatumTable::loadDatums(const char* directory) {
    if (datumsLoaded_) return 0;
    // Every shift needs both WGS ellipsoids, so a table without them cannot carry datums.
    if (!ellipsoidsLoaded_ || wgs84Ellipsoid_ == 0 || wgs72Ellipsoid_ == 0)
        return DatumStatus::NotLoaded;

    const std::string dir = directory != nullptr ? directory : "";
    File seven(dir + "7_param.dat");
    if (seven.get() == nullptr) return DatumStatus::SevenParamOpenError;
    File three(dir + "3_param.dat");
    if (three.get() == nullptr) return DatumStatus::ThreeParamOpenError;

    int count = 2;
    datums_[0] = wholeWorldDatum(Wgs84Datum, "WGE", "World Geodetic System 1984", "WE");
    datums_[1] = wholeWorldDatum(Wgs72Datum, "WGC", "World Geodetic System 1972", "WD");

    uint32_t status = 0;
    for (int n = 0; hasData(seven.get()); ++n) {
        if (n == kMaxSevenParameter) {
            status |= DatumStatus::SevenParamOverflow;
            break;
        }
        DatumRecord r = {};
        if (!readDatumRecord(seven.get(), sizeof(Datum::code) - 1, 7, r)) {
            status |= DatumStatus::SevenParamParseError;
            break;
        }
        Datum d = wholeWorldDatum(SevenParameter, r.code, r.name, r.ellipsoidCode);
        for (int i = 0; i < 3; ++i)
            d.parameters[i] = r.values[i];
        for (int i = 3; i < 6; ++i)
            d.parameters[i] = r.values[i] / kArcSecondsPerRadian;
        d.parameters[6] = r.values[6];
        datums_[count++] = d;
    }

    for (int n = 0; status == 0 && hasData(three.get()); ++n) {
        if (n == kMaxThreeParameter) {
            status |= DatumStatus::ThreeParamOverflow;
            break;
        }
        DatumRecord r = {};
        // One more character for the '*' of a user-defined datum.
        if (!readDatumRecord(three.get(), sizeof(Datum::code), 10, r)) {
            status |= DatumStatus::ThreeParamParseError;
            break;
        }
        const bool user = r.code[0] == '*';
        const char* code = r.code + (user ? 1 : 0);
        if (code[0] == '\0' || std::strlen(code) > sizeof(Datum::code) - 1) {
            status |= DatumStatus::ThreeParamParseError;
            break;
        }
        Datum d = wholeWorldDatum(ThreeParameter, code, r.name, r.ellipsoidCode);
        d.userDefined = user ? 1 : 0;
        d.parameters[0] = r.values[0];
        d.sigmaX = r.values[1];
        d.parameters[1] = r.values[2];
        d.sigmaY = r.values[3];
        d.parameters[2] = r.values[4];
        d.sigmaZ = r.values[5];
        d.southLatitude = r.values[6] * kRadiansPerDegree;
        d.northLatitude = r.values[7] * kRadiansPerDegree;
        d.westLongitude = r.values[8] * kRadiansPerDegree;
        d.eastLongitude = r.values[9] * kRadiansPerDegree;
        datums_[count++] = d;
    }
    if (status != 0) return status;

    datumCount_ = count;
    datumsLoaded_ = true;
    return 0;
}

// ---- Look-ups ---------------------------------------------------------------------------------

int DatumTable::datumCount() const {
    return datumsLoaded_ ? datumCount_ : 0;
}

uint32_t DatumTable::datumCount(int& count) const {
    count = datumCount();
    return datumsLoaded_ ? 0 : DatumStatus::NotLoaded;
}

uint32_t DatumTable::findDatum(const char* code, int& index) const {
    if (!datumsLoaded_) return DatumStatus::NotLoaded;
    if (code == nullptr || std::strlen(code) > sizeof(Datum::code) - 1)
        return DatumStatus::InvalidCode;
    char wanted[sizeof(Datum::code)] = {};
    std::size_t n = 0;
    for (const char* p = code; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (!std::isspace(c)) wanted[n++] = static_cast<char>(std::toupper(c));
    }
    for (int i = 0; i < datumCount_; ++i) {
        if (std::strcmp(datums_[i].code, wanted) == 0) {
            index = i + 1;
            return 0;
        }
    }
    return DatumStatus::InvalidCode;
}

const Datum* DatumTable::datum(int index) const {
    if (!datumsLoaded_ || index < 1 || index > datumCount_) return nullptr;
    return &datums_[index - 1];
}

uint32_t DatumTable::datumCode(int index, char* out, std::size_t outSize) const {
    if (!datumsLoaded_) return DatumStatus::NotLoaded;
    const Datum* d = datum(index);
    if (d == nullptr) return DatumStatus::InvalidIndex;
    copyText(out, outSize, d->code);
    return 0;
}

uint32_t DatumTable::datumName(int index, char* out, std::size_t outSize) const {
    if (!datumsLoaded_) return DatumStatus::NotLoaded;
    const Datum* d = datum(index);
    if (d == nullptr) return DatumStatus::InvalidIndex;
    copyText(out, outSize, d->name);
    return 0;
}

uint32_t DatumTable::datumEllipsoidCode(int index, char* out, std::size_t outSize) const {
    if (!datumsLoaded_) return DatumStatus::NotLoaded;
    const Datum* d = datum(index);
    if (d == nullptr) return DatumStatus::InvalidIndex;
    copyText(out, outSize, d->ellipsoidCode);
    return 0;
}

uint32_t DatumTable::findEllipsoid(const char* code, int& index) const {
    if (!ellipsoidsLoaded_) return EllipsoidStatus::NotLoaded;
    if (code == nullptr) return EllipsoidStatus::UnknownCode;
    char wanted[3] = {};
    for (std::size_t i = 0; i < 2 && code[i] != '\0'; ++i)
        wanted[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(code[i])));
    for (int i = 0; i < ellipsoidCount_; ++i) {
        if (std::strcmp(ellipsoids_[i].code, wanted) == 0) {
            index = i + 1;
            return 0;
        }
    }
    return EllipsoidStatus::UnknownCode;
}

const Ellipsoid* DatumTable::ellipsoid(int index) const {
    if (!ellipsoidsLoaded_ || index < 1 || index > ellipsoidCount_) return nullptr;
    return &ellipsoids_[index - 1];
}

uint32_t DatumTable::ellipsoidParameters(int index, double& a, double& f) const {
    a = 0.0;
    f = 0.0;
    if (!ellipsoidsLoaded_) return EllipsoidStatus::NotLoaded;
    const Ellipsoid* e = ellipsoid(index);
    if (e == nullptr) return EllipsoidStatus::InvalidIndex;
    a = e->semiMajorAxis;
    f = 1.0 / e->inverseFlattening;
    return 0;
}

uint32_t DatumTable::ellipsoidEccentricitySquared(int index, double& e2) const {
    double a = 0.0;
    double f = 0.0;
    const uint32_t status = ellipsoidParameters(index, a, f);
    e2 = status == 0 ? 2.0 * f - f * f : 0.0;
    return status;
}

uint32_t DatumTable::wgs84Parameters(double& a, double& f) const {
    if (!ellipsoidsLoaded_) {
        a = f = 0.0;
        return EllipsoidStatus::NotLoaded;
    }
    return wgs84Ellipsoid_ != 0 ? ellipsoidParameters(wgs84Ellipsoid_, a, f)
                                : (a = f = 0.0, EllipsoidStatus::UnknownCode);
}

uint32_t DatumTable::wgs72Parameters(double& a, double& f) const {
    if (!ellipsoidsLoaded_) {
        a = f = 0.0;
        return EllipsoidStatus::NotLoaded;
    }
    return wgs72Ellipsoid_ != 0 ? ellipsoidParameters(wgs72Ellipsoid_, a, f)
                                : (a = f = 0.0, EllipsoidStatus::UnknownCode);
}

uint32_t DatumTable::datumEllipsoid(const Datum& d, double& a, double& f) const {
    int index = 0;
    if (findEllipsoid(d.ellipsoidCode, index) != 0 || ellipsoidParameters(index, a, f) != 0)
        return DatumStatus::EllipsoidError;
    // The geocentric converter refuses an ellipsoid far from the earth's shape and would go on
    // with WGS 84; a shift on the wrong ellipsoid must not pass for a good one.
    if (GeocentricConverter().setGeocentricEllipsoid(a, f) != 0) return DatumStatus::EllipsoidError;
    return 0;
}

// ---- Shifts -----------------------------------------------------------------------------------

void DatumTable::wgs72ToWgs84(double lat, double lon, double h, double& lat84, double& lon84,
                              double& h84) const {
    double a84, f84, a72, f72;
    wgs84Parameters(a84, f84);
    wgs72Parameters(a72, f72);
    const double da = a84 - a72;
    const double df = f84 - f72;
    const double sinLat = std::sin(lat);
    const double dLat = (4.5 * std::cos(lat) / (a72 * kRadiansPerArcSecond) +
                         df * std::sin(2.0 * lat) / kRadiansPerArcSecond) /
                        kArcSecondsPerRadian;
    h84 = h + 4.5 * sinLat + a72 * df * sinLat * sinLat - da + 1.4;
    lat84 = lat + dLat;
    lon84 = lon + kWgs72LongitudeShift;
}

void DatumTable::wgs84ToWgs72(double lat, double lon, double h, double& lat72, double& lon72,
                              double& h72) const {
    double a84, f84, a72, f72;
    wgs84Parameters(a84, f84);
    wgs72Parameters(a72, f72);
    const double da = a72 - a84;
    const double df = f72 - f84;
    const double sinLat = std::sin(lat);
    const double dLat = (-4.5 * std::cos(lat) / (a84 * kRadiansPerArcSecond) +
                         df * std::sin(2.0 * lat) / kRadiansPerArcSecond) /
                        kArcSecondsPerRadian;
    h72 = h - 4.5 * sinLat + a84 * df * sinLat * sinLat - da - 1.4;
    lat72 = lat + dLat;
    lon72 = lon - kWgs72LongitudeShift;
}

void DatumTable::geocentricShiftToWgs84(const Datum& d, double& x, double& y, double& z) const {
    const double* p = d.parameters;
    if (d.type == SevenParameter) {
        const double x0 = x, y0 = y, z0 = z;
        x = x0 + p[0] + p[5] * y0 - p[4] * z0 + p[6] * x0;
        y = y0 + p[1] - p[5] * x0 + p[3] * z0 + p[6] * y0;
        z = z0 + p[2] + p[4] * x0 - p[3] * y0 + p[6] * z0;
    } else {
        x += p[0];
        y += p[1];
        z += p[2];
    }
}

void DatumTable::geocentricShiftFromWgs84(const Datum& d, double& x, double& y, double& z) const {
    const double* p = d.parameters;
    if (d.type == SevenParameter) {
        const double x0 = x, y0 = y, z0 = z;
        x = x0 - p[0] - p[5] * y0 + p[4] * z0 - p[6] * x0;
        y = y0 - p[1] + p[5] * x0 - p[3] * z0 - p[6] * y0;
        z = z0 - p[2] - p[4] * x0 + p[3] * y0 - p[6] * z0;
    } else {
        x -= p[0];
        y -= p[1];
        z -= p[2];
    }
}

uint32_t DatumTable::shiftToWgs84(int index, double lat, double lon, double h, double& lat84,
                                  double& lon84, double& h84) const {
    if (!datumsLoaded_) return DatumStatus::NotLoaded;
    uint32_t status = 0;
    const Datum* d = datum(index);
    if (d == nullptr) status |= DatumStatus::InvalidSourceIndex;
    if (!validLatitude(lat)) status |= DatumStatus::InvalidLatitude;
    if (!validLongitude(lon)) status |= DatumStatus::InvalidLongitude;
    if (status != 0) return status;

    if (d->type == Wgs84Datum) {
        lat84 = lat;
        lon84 = lon;
        h84 = h;
        return 0;
    }
    if (d->type == Wgs72Datum) {
        wgs72ToWgs84(lat, lon, h, lat84, lon84, h84);
        return 0;
    }
    double a = 0.0, f = 0.0;
    if (datumEllipsoid(*d, a, f) != 0) return DatumStatus::EllipsoidError;
    double a84, f84;
    wgs84Parameters(a84, f84);
    if (d->type == ThreeParameter && std::fabs(lat) <= kMolodenskyLatitudeLimit) {
        molodenskyShift(a, a84 - a, f, f84 - f, d->parameters[0], d->parameters[1],
                        d->parameters[2], lat, lon, h, lat84, lon84, h84);
        return 0;
    }
    double x, y, z;
    GeocentricConverter(a, f).geodeticToGeocentric(lat, lon, h, x, y, z);
    geocentricShiftToWgs84(*d, x, y, z);
    GeocentricConverter(a84, f84).geocentricToGeodetic(x, y, z, lat84, lon84, h84);
    return 0;
}

uint32_t DatumTable::shiftFromWgs84(double lat84, double lon84, double h84, int index, double& lat,
                                    double& lon, double& h) const {
    if (!datumsLoaded_) return DatumStatus::NotLoaded;
    uint32_t status = 0;
    const Datum* d = datum(index);
    if (d == nullptr) status |= DatumStatus::InvalidTargetIndex;
    if (!validLatitude(lat84)) status |= DatumStatus::InvalidLatitude;
    if (!validLongitude(lon84)) status |= DatumStatus::InvalidLongitude;
    if (status != 0) return status;

    if (d->type == Wgs84Datum) {
        lat = lat84;
        lon = lon84;
        h = h84;
        return 0;
    }
    if (d->type == Wgs72Datum) {
        wgs84ToWgs72(lat84, lon84, h84, lat, lon, h);
        return 0;
    }
    double a = 0.0, f = 0.0;
    if (datumEllipsoid(*d, a, f) != 0) return DatumStatus::EllipsoidError;
    double a84, f84;
    wgs84Parameters(a84, f84);
    if (d->type == ThreeParameter && std::fabs(lat84) <= kMolodenskyLatitudeLimit) {
        molodenskyShift(a84, a - a84, f84, f - f84, -d->parameters[0], -d->parameters[1],
                        -d->parameters[2], lat84, lon84, h84, lat, lon, h);
        return 0;
    }
    double x, y, z;
    GeocentricConverter(a84, f84).geodeticToGeocentric(lat84, lon84, h84, x, y, z);
    geocentricShiftFromWgs84(*d, x, y, z);
    GeocentricConverter(a, f).geocentricToGeodetic(x, y, z, lat, lon, h);
    return 0;
}

DatumTable& datumTable() {
    static DatumTable table;
    return table;
}

} // namespace geodesy
