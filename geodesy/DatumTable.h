#pragma once
// The ellipsoid table (ellips.dat) and the datum list (7_param.dat, 3_param.dat), and the shifts
// of geodetic coordinates between WGS 84 and any datum of the list.
//
// All angles given to and returned by the shifts are radians; heights are metres. Indexes of
// ellipsoids and datums are 1-based. The tables are fixed-size and filled once by
// loadEllipsoids/loadDatums; after that every const member function may be called from any
// thread.

#include <cstddef>
#include <cstdint>
#include <string>

namespace geodesy {

// Status bits of the ellipsoid operations.
namespace EllipsoidStatus {
inline constexpr uint32_t FileOpenError = 0x1; // ellips.dat cannot be opened
inline constexpr uint32_t WgsMissing = 0x2;    // "WE" or "WD" missing after loading
inline constexpr uint32_t TooManyLines = 0x4;  // more than 32 lines
inline constexpr uint32_t NotLoaded = 0x8;     // table not loaded
inline constexpr uint32_t InvalidIndex = 0x10; // index outside 1..count
inline constexpr uint32_t UnknownCode = 0x20;  // code not in the table
// A line that is too long, too short, has a code wider than two letters, a missing or
// non-finite number, or an axis/flattening no ellipsoid can have. The table is left unloaded.
inline constexpr uint32_t MalformedLine = 0x40;
} // namespace EllipsoidStatus

// Status bits of the datum operations.
namespace DatumStatus {
inline constexpr uint32_t NotLoaded = 0x1;
inline constexpr uint32_t SevenParamOpenError = 0x2;
// A parse error is also a code, name or ellipsoid code wider than its field, or a number that
// is missing or not finite: such records are rejected, never truncated.
inline constexpr uint32_t SevenParamParseError = 0x4;
inline constexpr uint32_t SevenParamOverflow = 0x8; // more than 25 records
inline constexpr uint32_t ThreeParamOpenError = 0x10;
inline constexpr uint32_t ThreeParamParseError = 0x20;
inline constexpr uint32_t ThreeParamOverflow = 0x40; // more than 250 records
inline constexpr uint32_t InvalidIndex = 0x80;
inline constexpr uint32_t InvalidSourceIndex = 0x100;
inline constexpr uint32_t InvalidTargetIndex = 0x200;
inline constexpr uint32_t InvalidCode = 0x400;       // not in the list, or longer than 6 characters
inline constexpr uint32_t InvalidLatitude = 0x800;   // outside -pi/2..pi/2
inline constexpr uint32_t InvalidLongitude = 0x1000; // outside -pi..2pi
// The datum's ellipsoid cannot be found or read, or is too far from the earth's shape for the
// geocentric converter (a <= 0 or 1/f outside 250..350).
inline constexpr uint32_t EllipsoidError = 0x8000;
} // namespace DatumStatus

// A status bit set in words: "ok" for 0, else the set in hex followed by the meaning of each
// bit, e.g. "0x1800 latitude outside -90..90 degrees, longitude outside -180..360 degrees".
std::string ellipsoidStatusText(uint32_t status);
std::string datumStatusText(uint32_t status);

// One line of ellips.dat.
struct Ellipsoid {
    char name[30];            // up to 29 characters, with the file's trailing blanks
    char code[3];             // two letters, e.g. "WE"
    double semiMajorAxis;     // a, metres
    double semiMinorAxis;     // b, metres (kept, not used)
    double inverseFlattening; // 1/f
    int32_t userDefined;      // 1 when the line began with '*'
};

enum DatumType : int32_t {
    ThreeParameter = 0,
    SevenParameter = 1,
    Wgs84Datum = 2,
    Wgs72Datum = 3,
};

struct Datum {
    int32_t type;  // DatumType
    char code[7];  // up to 6 characters, e.g. "WGE"
    char name[33]; // up to 32 characters
    char ellipsoidCode[3];
    // dX, dY, dZ (m), rX, rY, rZ (rad), s (scale difference). Three-parameter datums: dX, dY,
    // dZ, 0, 0, 0, 1.0; WGS 84 and WGS 72: six zeros and 1.0.
    double parameters[7];
    double sigmaX, sigmaY, sigmaZ;       // metres; three-parameter datums only
    double westLongitude, eastLongitude; // radians
    double southLatitude, northLatitude; // radians
    int32_t userDefined;                 // three-parameter datums written with a leading '*'
};

// Buffer sizes of the text fields handed out (with the terminating NUL).
inline constexpr std::size_t kDatumCodeSize = sizeof(Datum::code);
inline constexpr std::size_t kDatumNameSize = sizeof(Datum::name);
inline constexpr std::size_t kEllipsoidCodeSize = sizeof(Ellipsoid::code);

class DatumTable {
public:
    static constexpr int kMaxEllipsoids = 32;
    static constexpr int kMaxSevenParameter = 25;
    static constexpr int kMaxThreeParameter = 250;
    static constexpr int kMaxDatums = 2 + kMaxSevenParameter + kMaxThreeParameter;

    // directory ends with its separator; the file name is appended directly. Once a load has
    // succeeded, later calls do nothing and return 0.
    uint32_t loadEllipsoids(const char* directory);
    // Needs the ellipsoids loaded (else DatumStatus::NotLoaded).
    uint32_t loadDatums(const char* directory);

    bool ellipsoidsLoaded() const { return ellipsoidsLoaded_; }
    bool datumsLoaded() const { return datumsLoaded_; }

    // Number of datums (0 when not loaded); the second form also returns the status.
    int datumCount() const;
    uint32_t datumCount(int& count) const;

    // Index of the datum with this code: at most 6 characters, white space removed, compared
    // in capitals; the first match in list order wins.
    uint32_t findDatum(const char* code, int& index) const;
    // Copies of the fields, truncated to outSize - 1 characters and NUL-terminated.
    uint32_t datumCode(int index, char* out, std::size_t outSize = kDatumCodeSize) const;
    uint32_t datumName(int index, char* out, std::size_t outSize = kDatumNameSize) const;
    uint32_t datumEllipsoidCode(int index, char* out,
                                std::size_t outSize = kEllipsoidCodeSize) const;
    // The whole record, or nullptr for an index outside 1..count or tables not loaded.
    const Datum* datum(int index) const;

    int ellipsoidCount() const { return ellipsoidsLoaded_ ? ellipsoidCount_ : 0; }
    // Only the first two characters of code count, compared in capitals.
    uint32_t findEllipsoid(const char* code, int& index) const;
    // a (metres) and f; both 0 on error.
    uint32_t ellipsoidParameters(int index, double& a, double& f) const;
    // e^2 = 2f - f^2; 0 on error.
    uint32_t ellipsoidEccentricitySquared(int index, double& e2) const;
    const Ellipsoid* ellipsoid(int index) const;
    uint32_t wgs84Parameters(double& a, double& f) const;
    uint32_t wgs72Parameters(double& a, double& f) const;

    // Shifts from datum index to WGS 84. Outputs are left unset on a nonzero status.
    uint32_t shiftToWgs84(int index, double lat, double lon, double h, double& lat84, double& lon84,
                          double& h84) const;
    // Shifts from WGS 84 to datum index. Outputs are left unset on a nonzero status.
    uint32_t shiftFromWgs84(double lat84, double lon84, double h84, int index, double& lat,
                            double& lon, double& h) const;

private:
    uint32_t datumEllipsoid(const Datum& d, double& a, double& f) const;
    void wgs72ToWgs84(double lat, double lon, double h, double& lat84, double& lon84,
                      double& h84) const;
    void wgs84ToWgs72(double lat, double lon, double h, double& lat72, double& lon72,
                      double& h72) const;
    void geocentricShiftToWgs84(const Datum& d, double& x, double& y, double& z) const;
    void geocentricShiftFromWgs84(const Datum& d, double& x, double& y, double& z) const;

    Ellipsoid ellipsoids_[kMaxEllipsoids] = {};
    int ellipsoidCount_ = 0;
    int wgs84Ellipsoid_ = 0; // index of "WE", 0 when missing
    int wgs72Ellipsoid_ = 0; // index of "WD", 0 when missing
    bool ellipsoidsLoaded_ = false;

    Datum datums_[kMaxDatums] = {};
    int datumCount_ = 0;
    bool datumsLoaded_ = false;
};

// The one table of the running program, loaded at start-up.
DatumTable& datumTable();

} // namespace geodesy
