#pragma once
// The 528-byte shared record of the memory exchange, "RuzeriVovAzo": the one contract between the
// program (exchange/ExchangeServer) and the client library libcvce (client/). Little-endian, no
// header; every offset is fixed and checked below. The server keeps a private copy of the same
// layout and copies changed regions into the shared section.
//
// Note the order: the ready and status words run raw, mark, masked, while the request area and
// the client's kind numbers run raw, masked, mark.
//
// This header is shared with the client library and uses nothing but the standard library.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace exchange {

static_assert(std::endian::native == std::endian::little, "the shared record is little-endian");

// Name of the shared section and of the seven manual-reset events.
inline constexpr const char* kSectionName = "RuzeriVovAzo";
inline constexpr const char* kEventRawRequest = "GPS_RT";
inline constexpr const char* kEventDataReady = "GPS_DATA_READY";
inline constexpr const char* kEventSetup = "GPS_SETUP";
inline constexpr const char* kEventMaskedRequest = "GPS_MASKED";
inline constexpr const char* kEventMarkRequest = "GPS_MARK";
inline constexpr const char* kEventClientUnloaded = "DLL_MSG";
inline constexpr const char* kEventServerStopped = "CVCE_MSG";

// Status of a record, as the status words and the client's error query give it.
enum ExchangeStatus : uint32_t {
    StatusOk = 0,
    StatusModeChanged = 1,
    StatusTimedOut = 2,  // set by the client library
    StatusWrongMode = 3, // set by the client library
    StatusNoNewData = 4,
    StatusRejected = 5,
    StatusServerGone = 6, // set by the client library
};

// The kind numbers of the client API.
enum ExchangeKind : int32_t { KindRaw = 0, KindMasked = 1, KindMark = 2 };

// The platform's local time record: eight 16-bit fields.
struct ExchangeTime {
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};
static_assert(sizeof(ExchangeTime) == 16);

struct ExchangeBlock {
    // Control words.
    uint32_t rawReady;
    uint32_t markReady;
    uint32_t maskedReady;
    uint32_t rawStatus;
    uint32_t markStatus;
    uint32_t maskedStatus;

    // Raw record (24, 56 bytes): the latest GGA position, unfiltered.
    uint32_t rawTick;
    uint8_t rawPad0[4];
    double rawLatitude;
    double rawLongitude;
    double rawAltitude;
    double rawPdop;
    double rawEhe;
    int32_t rawQuality;
    uint8_t rawPad1[4];

    // Mark record (80, 248 bytes): the last point of the Mark Point dialog.
    uint32_t markTick;
    uint8_t markPad0[4];
    double markAltitudeM;
    double markAltitudeFt;
    double markLatitude;
    double markLongitude;
    char markLatHemisphere;
    char markLonHemisphere;
    uint8_t markPad1[6];
    double markLatAbs;
    double markLonAbs;
    int32_t markLatDeg;
    int32_t markLonDeg;
    double markLatMin;
    double markLonMin;
    int32_t markLatMinWhole;
    int32_t markLonMinWhole;
    double markLatSec;
    double markLonSec;
    char markUtmZone[32];
    double markUtmNorthing;
    double markUtmEasting;
    double markPdop;
    double markEheM;
    double markEheFt;
    int32_t markReadings;
    ExchangeTime markTime;
    uint8_t markPad2[4];
    double markOffsetDirection;
    double markOffsetDistanceM;
    double markOffsetDistanceFt;
    double markOffsetSlope;
    char markDatum[8];

    // Masked record (328, 176 bytes): the latest position judged by the quality masks.
    uint32_t maskedTick;
    uint8_t maskedPad0[4];
    double maskedAltitudeM;
    double maskedAltitudeFt;
    double maskedLatitude;
    double maskedLongitude;
    char maskedLatHemisphere;
    char maskedLonHemisphere;
    uint8_t maskedPad1[6];
    double maskedLatAbs;
    double maskedLonAbs;
    int32_t maskedLatDeg;
    int32_t maskedLonDeg;
    double maskedLatMin;
    double maskedLonMin;
    int32_t maskedLatMinWhole;
    int32_t maskedLonMinWhole;
    double maskedLatSec;
    double maskedLonSec;
    char maskedUtmZone[16];
    double maskedUtmNorthing;
    double maskedUtmEasting;
    double maskedPdop;
    double maskedEheM;
    double maskedEheFt;
    int32_t maskedQuality;
    int16_t maskedReason;
    uint8_t maskedPad2[2];

    // Mode request area (504, 24 bytes): written by clients, read by the server.
    uint32_t rawModeRequest;
    uint32_t rawModeValue;
    uint32_t maskedModeRequest;
    uint32_t maskedModeValue;
    uint32_t markModeRequest;
    uint32_t markModeValue;
};

// Regions of the block, as offset and length, for the copies between a private image and the
// shared section.
struct ExchangeRegion {
    std::size_t offset;
    std::size_t length;
};
inline constexpr ExchangeRegion kRawRecord{24, 56};
inline constexpr ExchangeRegion kMarkRecord{80, 248};
inline constexpr ExchangeRegion kMaskedRecord{328, 176};
inline constexpr ExchangeRegion kRequestArea{504, 24};
inline constexpr std::size_t kExchangeBlockSize = 528;

static_assert(sizeof(ExchangeBlock) == kExchangeBlockSize);
static_assert(alignof(ExchangeBlock) == 8);
#define CORVANE_EXCHANGE_OFFSET(field, at) \
    static_assert(offsetof(ExchangeBlock, field) == (at), #field " is at " #at)
CORVANE_EXCHANGE_OFFSET(rawReady, 0);
CORVANE_EXCHANGE_OFFSET(markReady, 4);
CORVANE_EXCHANGE_OFFSET(maskedReady, 8);
CORVANE_EXCHANGE_OFFSET(rawStatus, 12);
CORVANE_EXCHANGE_OFFSET(markStatus, 16);
CORVANE_EXCHANGE_OFFSET(maskedStatus, 20);
CORVANE_EXCHANGE_OFFSET(rawTick, 24);
CORVANE_EXCHANGE_OFFSET(rawLatitude, 32);
CORVANE_EXCHANGE_OFFSET(rawLongitude, 40);
CORVANE_EXCHANGE_OFFSET(rawAltitude, 48);
CORVANE_EXCHANGE_OFFSET(rawPdop, 56);
CORVANE_EXCHANGE_OFFSET(rawEhe, 64);
CORVANE_EXCHANGE_OFFSET(rawQuality, 72);
CORVANE_EXCHANGE_OFFSET(markTick, 80);
CORVANE_EXCHANGE_OFFSET(markAltitudeM, 88);
CORVANE_EXCHANGE_OFFSET(markAltitudeFt, 96);
CORVANE_EXCHANGE_OFFSET(markLatitude, 104);
CORVANE_EXCHANGE_OFFSET(markLongitude, 112);
CORVANE_EXCHANGE_OFFSET(markLatHemisphere, 120);
CORVANE_EXCHANGE_OFFSET(markLonHemisphere, 121);
CORVANE_EXCHANGE_OFFSET(markLatAbs, 128);
CORVANE_EXCHANGE_OFFSET(markLonAbs, 136);
CORVANE_EXCHANGE_OFFSET(markLatDeg, 144);
CORVANE_EXCHANGE_OFFSET(markLonDeg, 148);
CORVANE_EXCHANGE_OFFSET(markLatMin, 152);
CORVANE_EXCHANGE_OFFSET(markLonMin, 160);
CORVANE_EXCHANGE_OFFSET(markLatMinWhole, 168);
CORVANE_EXCHANGE_OFFSET(markLonMinWhole, 172);
CORVANE_EXCHANGE_OFFSET(markLatSec, 176);
CORVANE_EXCHANGE_OFFSET(markLonSec, 184);
CORVANE_EXCHANGE_OFFSET(markUtmZone, 192);
CORVANE_EXCHANGE_OFFSET(markUtmNorthing, 224);
CORVANE_EXCHANGE_OFFSET(markUtmEasting, 232);
CORVANE_EXCHANGE_OFFSET(markPdop, 240);
CORVANE_EXCHANGE_OFFSET(markEheM, 248);
CORVANE_EXCHANGE_OFFSET(markEheFt, 256);
CORVANE_EXCHANGE_OFFSET(markReadings, 264);
CORVANE_EXCHANGE_OFFSET(markTime, 268);
CORVANE_EXCHANGE_OFFSET(markOffsetDirection, 288);
CORVANE_EXCHANGE_OFFSET(markOffsetDistanceM, 296);
CORVANE_EXCHANGE_OFFSET(markOffsetDistanceFt, 304);
CORVANE_EXCHANGE_OFFSET(markOffsetSlope, 312);
CORVANE_EXCHANGE_OFFSET(markDatum, 320);
CORVANE_EXCHANGE_OFFSET(maskedTick, 328);
CORVANE_EXCHANGE_OFFSET(maskedAltitudeM, 336);
CORVANE_EXCHANGE_OFFSET(maskedAltitudeFt, 344);
CORVANE_EXCHANGE_OFFSET(maskedLatitude, 352);
CORVANE_EXCHANGE_OFFSET(maskedLongitude, 360);
CORVANE_EXCHANGE_OFFSET(maskedLatHemisphere, 368);
CORVANE_EXCHANGE_OFFSET(maskedLonHemisphere, 369);
CORVANE_EXCHANGE_OFFSET(maskedLatAbs, 376);
CORVANE_EXCHANGE_OFFSET(maskedLonAbs, 384);
CORVANE_EXCHANGE_OFFSET(maskedLatDeg, 392);
CORVANE_EXCHANGE_OFFSET(maskedLonDeg, 396);
CORVANE_EXCHANGE_OFFSET(maskedLatMin, 400);
CORVANE_EXCHANGE_OFFSET(maskedLonMin, 408);
CORVANE_EXCHANGE_OFFSET(maskedLatMinWhole, 416);
CORVANE_EXCHANGE_OFFSET(maskedLonMinWhole, 420);
CORVANE_EXCHANGE_OFFSET(maskedLatSec, 424);
CORVANE_EXCHANGE_OFFSET(maskedLonSec, 432);
CORVANE_EXCHANGE_OFFSET(maskedUtmZone, 440);
CORVANE_EXCHANGE_OFFSET(maskedUtmNorthing, 456);
CORVANE_EXCHANGE_OFFSET(maskedUtmEasting, 464);
CORVANE_EXCHANGE_OFFSET(maskedPdop, 472);
CORVANE_EXCHANGE_OFFSET(maskedEheM, 480);
CORVANE_EXCHANGE_OFFSET(maskedEheFt, 488);
CORVANE_EXCHANGE_OFFSET(maskedQuality, 496);
CORVANE_EXCHANGE_OFFSET(maskedReason, 500);
CORVANE_EXCHANGE_OFFSET(rawModeRequest, 504);
CORVANE_EXCHANGE_OFFSET(rawModeValue, 508);
CORVANE_EXCHANGE_OFFSET(maskedModeRequest, 512);
CORVANE_EXCHANGE_OFFSET(maskedModeValue, 516);
CORVANE_EXCHANGE_OFFSET(markModeRequest, 520);
CORVANE_EXCHANGE_OFFSET(markModeValue, 524);
#undef CORVANE_EXCHANGE_OFFSET

static_assert(offsetof(ExchangeBlock, rawTick) == kRawRecord.offset);
static_assert(offsetof(ExchangeBlock, markTick) == kMarkRecord.offset);
static_assert(offsetof(ExchangeBlock, maskedTick) == kMaskedRecord.offset);
static_assert(offsetof(ExchangeBlock, rawModeRequest) == kRequestArea.offset);
static_assert(kMaskedRecord.offset + kMaskedRecord.length == kRequestArea.offset);

} // namespace exchange
