#pragma once
/*
 * cvce: read GPS data from a running Corvane through its memory exchange.
 *
 * Build against it with:  c++ app.cpp $(pkg-config --cflags --libs cvce)
 *
 * Three kinds of data (kind numbers): 0 raw (the latest GGA position, unfiltered), 1 masked (the
 * latest position judged by the quality masks, in the user's datum), 2 mark (the last point of the
 * Mark Point dialog). Each kind is read on request (mode 0, at load) or in a second mode chosen
 * with SwitchModes: real-time for raw and masked, blocking for mark.
 *
 * Every function returns 1 on success and 0 on failure; GetError tells why: 0 fresh data,
 * 1 the mode was switched, 2 no answer in time, 3 the call does not fit the kind's mode,
 * 4 no new data, 5 rejected (a failed mask, or a mark ended without a point), 6 the program has
 * stopped. Reference parameters receive the values; the character buffers must hold 16 bytes
 * (UTM zone of a masked read), 32 bytes (UTM zone of a mark) and 8 bytes (datum of a mark).
 *
 * The functions have C++ linkage: their parameter types are part of the exported names.
 */

#ifdef __cplusplus

#define CVCE_API __attribute__((visibility("default")))

/* The platform's local time record: year, month, day of week (0 Sunday), day, hour, minute,
 * second, milliseconds. */
struct SYSTEMTIME {
    unsigned short wYear;
    unsigned short wMonth;
    unsigned short wDayOfWeek;
    unsigned short wDay;
    unsigned short wHour;
    unsigned short wMinute;
    unsigned short wSecond;
    unsigned short wMilliseconds;
};

/* Raw record: tick of the GGA (ms), latitude, longitude (WGS 84 degrees), altitude (m), PDOP,
 * EHE (m, -1 without a usable fix), fix quality. GetRawGPS in mode 0, GetRawRT in mode 1. */
CVCE_API int GetRawGPS(unsigned long& tick, double& latitude, double& longitude, double& altitude,
                       double& pdop, double& ehe, int& quality);
CVCE_API int GetRawRT(unsigned long& tick, double& latitude, double& longitude, double& altitude,
                      double& pdop, double& ehe, int& quality);

/* Masked record; utmZone receives at most 16 bytes; notUsed is ignored; reason is the mask's
 * reason code (0 passed, 1 no 3D, 2 PDOP high, 3 no DGPS, 4 low SNR, 5 low elevation, 6 EHE high,
 * 7 no fix). GetMaskGPS in mode 0, GetMaskRT in mode 1. */
CVCE_API int GetMaskGPS(unsigned long& tick, double& altitudeM, double& altitudeFt,
                        double& latitude, double& longitude, char& latHemisphere,
                        char& lonHemisphere, double& latAbs, double& lonAbs, int& latDeg,
                        int& lonDeg, double& latMin, double& lonMin, int& latMinWhole,
                        int& lonMinWhole, double& latSec, double& lonSec, char* utmZone,
                        int notUsed, double& utmNorthing, double& utmEasting, double& pdop,
                        double& eheM, double& eheFt, int& quality, short& reason);
CVCE_API int GetMaskRT(unsigned long& tick, double& altitudeM, double& altitudeFt,
                       double& latitude, double& longitude, char& latHemisphere,
                       char& lonHemisphere, double& latAbs, double& lonAbs, int& latDeg,
                       int& lonDeg, double& latMin, double& lonMin, int& latMinWhole,
                       int& lonMinWhole, double& latSec, double& lonSec, char* utmZone,
                       int notUsed, double& utmNorthing, double& utmEasting, double& pdop,
                       double& eheM, double& eheFt, int& quality, short& reason);

/* Mark record; utmZone receives at most 32 bytes and datum at most 8. GetMarkNB in mode 0
 * (the last mark, status 4 when none is new), GetMarkBLK in mode 1 (starts a mark on the
 * program's screen and returns when the user has finished it). */
CVCE_API int GetMarkNB(unsigned long& tick, double& altitudeM, double& altitudeFt,
                       double& latitude, double& longitude, char& latHemisphere,
                       char& lonHemisphere, double& latAbs, double& lonAbs, int& latDeg,
                       int& lonDeg, double& latMin, double& lonMin, int& latMinWhole,
                       int& lonMinWhole, double& latSec, double& lonSec, char* utmZone,
                       double& utmNorthing, double& utmEasting, double& pdop, double& eheM,
                       double& eheFt, int& readings, SYSTEMTIME& time, double& offsetDirection,
                       double& offsetDistanceM, double& offsetDistanceFt, double& offsetSlope,
                       char* datum);
CVCE_API int GetMarkBLK(unsigned long& tick, double& altitudeM, double& altitudeFt,
                        double& latitude, double& longitude, char& latHemisphere,
                        char& lonHemisphere, double& latAbs, double& lonAbs, int& latDeg,
                        int& lonDeg, double& latMin, double& lonMin, int& latMinWhole,
                        int& lonMinWhole, double& latSec, double& lonSec, char* utmZone,
                        double& utmNorthing, double& utmEasting, double& pdop, double& eheM,
                        double& eheFt, int& readings, SYSTEMTIME& time, double& offsetDirection,
                        double& offsetDistanceM, double& offsetDistanceFt, double& offsetSlope,
                        char* datum);

/* Switches kind (0 raw, 1 masked, 2 mark) to mode 1 (real-time or blocking) or 0 (on request or
 * non-blocking), for every client. */
CVCE_API int SwitchModes(int kind, int mode);

/* The status of the last call of kind. */
CVCE_API int GetError(int kind, short& code);

#undef CVCE_API

#endif /* __cplusplus */
