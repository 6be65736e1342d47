#pragma once
// Every user setting of the configuration file cv.ini. Each field bears its key's name; the
// member initialisers are the defaults the engine applies before the file is read.

#include <climits>
#include <cstdint>

namespace engine {

// Path fields hold native paths; the device's 260-character limit becomes the platform's.
inline constexpr int kPathCapacity = PATH_MAX;
inline constexpr int kDatumCapacity = 20;      // at most 19 characters
inline constexpr int kPortNameCapacity = 6;    // "COM1:".."COM9:"
inline constexpr int kKeyWedgeCapacity = 35;

struct KeyWedgeList {
    uint16_t count = 0;
    uint8_t items[kKeyWedgeCapacity] = {};
    int32_t hasDataItem = 0; // the list holds at least one of the codes 249, 253, 254
};

struct Settings {
    int32_t Protected = 0;
    int32_t InsertEnabled = 1;
    char16_t GPSPort[kPortNameCapacity] = u"COM3:";
    char GPSBaud = '4';
    char GPSBaudExtended = '0'; // eleventh rate of the serial layer; never written
    char GPSParity = '0';
    char GPSDatabits = '8';
    char GPSStopBits = '0';
    char GPSDTR = '1';
    char GPSRTS = '0';
    int32_t Units = 0;  // 0 Statute, 1 Metric, 2 Nautical, 3 Feet, 4 Meters
    int32_t Format = 0; // 0 DD, 1 DM, 2 DMS, 3 UTM
    char Heading = 'T';
    float HeadingUserDecl = 0.0f;
    char AltitudeRef = 'H';
    char Datum[kDatumCapacity] = "WGE";
    char WaypointPath[kPathCapacity] = "/";
    char WaypointFilename[kPathCapacity] = "";
    int32_t DataExchange = 0;
    char DataExchangePath[kPathCapacity] = ""; // filled with the documents folder at start-up
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
};

} // namespace engine
