#pragma once
// Every user setting of the configuration file cv.ini. Each field bears its key's name; a
// default-constructed Settings holds the defaults the engine applies before the file is read.

#include <climits>
#include <cstddef>
#include <cstdint>

namespace engine {

// Path fields hold native paths ending in '/'; the device's 260-character limit becomes the
// platform's.
inline constexpr int kPathCapacity = PATH_MAX;
inline constexpr int kDatumCapacity = 20;   // at most 19 characters
inline constexpr int kPortNameCapacity = 6; // "COM1:".."COM9:"
inline constexpr int kKeyWedgeCapacity = 35;

// Item codes of the wedge list that stand for data (the others are separators and keys).
inline constexpr uint8_t kKeyWedgeDataItems[] = {249, 253, 254};

struct KeyWedgeList {
    uint16_t count = 0;
    uint8_t items[kKeyWedgeCapacity] = {};
    int32_t hasDataItem = 0; // the list holds at least one of kKeyWedgeDataItems
};

struct Settings {
    // Fills the two folder defaults of this system (see homeFolder, documentsFolder).
    Settings();

    int32_t Protected = 0;
    int32_t InsertEnabled = 1;
    char16_t GPSPort[kPortNameCapacity] = u"COM3:";
    char GPSBaud = '4';         // index into 300 .. 115200; '4' is 9600
    char GPSBaudExtended = '0'; // '1' selects the eleventh rate of the serial layer; never written
    char GPSParity = '0';       // none, odd, even, mark, space
    char GPSDatabits = '8';
    char GPSStopBits = '0'; // '0' one, '1' one and a half, '2' two
    char GPSDTR = '1';
    char GPSRTS = '0';
    int32_t Units = 0;  // 0 Statute, 1 Metric, 2 Nautical, 3 Feet, 4 Meters
    int32_t Format = 0; // 0 DD, 1 DM, 2 DMS, 3 UTM
    char Heading = 'T'; // 'T' true, 'A' automatic magnetic, 'M' manual magnetic, 'W' model
    float HeadingUserDecl = 0.0f;
    char AltitudeRef = 'H'; // 'H' above the ellipsoid, 'M' above mean sea level
    char Datum[kDatumCapacity] = "WGE";
    char WaypointPath[kPathCapacity] = {};     // the home folder
    char WaypointFilename[kPathCapacity] = {}; // empty: no waypoint file
    int32_t DataExchange = 0;
    char DataExchangePath[kPathCapacity] = {}; // the documents folder
    int32_t AudibleFixes = 0;
    int32_t PointAveraging = 0;
    int32_t PointsAveraged = 180;
    int32_t MemExchange = 0;
    int32_t MarkKey = 193;
    int32_t KWDGKey = 195;
    int32_t MarkKeyF = 233;
    int32_t KWDGKeyF = 235;
    int32_t MaskEHE = 0;
    float MaxEHE = 0.0f;
    int32_t MaskElev = 0;
    float MinElev = 0.0f;
    int32_t MaskPDOP = 0;
    float MaxPDOP = 0.0f;
    int32_t MaskSNR = 0;
    float MinSNR = 0.0f;
    int32_t MaskDGPS = 0;
    int32_t Mask3D = 0;
    int32_t KWDG = 0;
    KeyWedgeList KEYWEDGE;
    int32_t K_RAW = 0;
    int32_t K_INTERNAL = 0;
    int32_t K_INTKEY = 0;
    int32_t EXPTWPT = 0;
    int32_t BTENBL = 0;
    // The GPS screen, the diagnostics and the details list show the satellites of GLONASS,
    // Galileo, BeiDou, QZSS and NavIC beside those of GPS and SBAS.
    int32_t ShowOtherSatellites = 1;
};

// The places of the device's folders on this system, each ending in '/' and NUL-terminated
// within capacity (cut when longer). The root "\" and "\C_Drive\" are the home folder ($HOME,
// else the password database); "\My Documents\" is $XDG_DOCUMENTS_DIR, else ~/Documents/.
void homeFolder(char* out, std::size_t capacity);
void documentsFolder(char* out, std::size_t capacity);

} // namespace engine
