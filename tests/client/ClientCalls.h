#pragma once
// The client library's calls with their outputs gathered in one struct per record, for the tests
// of the library against a scripted and a real program side.

#include <gtest/gtest.h>

#include <cvce.h>

#include "support/TestSupport.h"

namespace clientcalls {

struct RawOut {
    unsigned long tick = 0;
    double lat = 0, lon = 0, alt = 0, pdop = 0, ehe = 0;
    int quality = -1;
};
inline int getRaw(RawOut& o, bool realTime) {
    auto* call = realTime ? &GetRawRT : &GetRawGPS;
    return call(o.tick, o.lat, o.lon, o.alt, o.pdop, o.ehe, o.quality);
}

// d: the doubles in call order; i: the ints (the last one is the quality).
struct MaskOut {
    unsigned long tick = 0;
    double d[16] = {};
    char ns = 0, ew = 0;
    int i[5] = {};
    char zone[16] = {};
    short reason = -1;
};
inline int getMask(MaskOut& o, bool realTime) {
    auto* call = realTime ? &GetMaskRT : &GetMaskGPS;
    return call(o.tick, o.d[0], o.d[1], o.d[2], o.d[3], o.ns, o.ew, o.d[4], o.d[5], o.i[0], o.i[1],
                o.d[6], o.d[7], o.i[2], o.i[3], o.d[8], o.d[9], o.zone, 0, o.d[10], o.d[11],
                o.d[12], o.d[13], o.d[14], o.i[4], o.reason);
}

// i[4]: the number of readings.
struct MarkOut {
    unsigned long tick = 0;
    double d[19] = {};
    char ns = 0, ew = 0;
    int i[5] = {};
    char zone[32] = {};
    SYSTEMTIME time{};
    char datum[8] = {};
};
inline int getMark(MarkOut& o, bool blocking) {
    auto* call = blocking ? &GetMarkBLK : &GetMarkNB;
    return call(o.tick, o.d[0], o.d[1], o.d[2], o.d[3], o.ns, o.ew, o.d[4], o.d[5], o.i[0], o.i[1],
                o.d[6], o.d[7], o.i[2], o.i[3], o.d[8], o.d[9], o.zone, o.d[10], o.d[11], o.d[12],
                o.d[13], o.d[14], o.i[4], o.time, o.d[15], o.d[16], o.d[17], o.d[18], o.datum);
}

inline short errorOf(int kind) {
    short code = -1;
    EXPECT_EQ(GetError(kind, code), 1);
    return code;
}

using testsupport::eventually;

} // namespace clientcalls
