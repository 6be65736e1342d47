#pragma once
// DGPS: the NMEA 0183 sentence parser. One instance per process, all storage fixed and
// module-level: a 1000-byte receive ring, a 5000-byte raw log, a 256-byte sentence buffer and the
// working records, which have exactly the layout of the parts of GpsState. Every entry point is
// called with the engine lock held; the module takes no lock of its own and never allocates.

#include <cstddef>
#include <cstdint>

#include "engine/GpsState.h"

namespace platform {
class Clock;
}

namespace dgps {

inline constexpr int kRingSize = 1000;
inline constexpr int kRawLogSize = 5000;
inline constexpr int kSentenceSize = 256;
inline constexpr int kFieldSize = 50;
inline constexpr int kSbasSlots = 4;

// Results of putBytes.
inline constexpr int kPutAllStored = 5;
inline constexpr int kPutRingFull = 6;

// Results of readField.
inline constexpr int kFieldComma = 0;   // field ended with ','
inline constexpr int kFieldStar = 1;    // field ended with '*'
inline constexpr int kFieldEnd = 2;     // end of the sentence text
inline constexpr int kFieldTooLong = 3; // cut to 49 characters

// Staleness limits of the working records, in milliseconds.
inline constexpr uint32_t kPositionAgeLimitMs = 2500;
inline constexpr uint32_t kMotionAgeLimitMs = 2500;
inline constexpr uint32_t kDopAgeLimitMs = 8000;
inline constexpr uint32_t kSatelliteAgeLimitMs = 8000;
// A $GPGSV cycle cleans up satellites that left the view at most this often.
inline constexpr uint32_t kSatelliteCleanupIntervalMs = 5000;

inline constexpr double kKnotsToMph = 1.150779;

enum class SentenceKind { Gga, Vtg, Gsa, Gsv, Rmc };

// The identifier of the sentence kind as a GPS receiver sends it, e.g. "$GPGGA".
const char* sentenceIdentifier(SentenceKind kind);

// The talkers whose GGA, VTG, GSA, GSV and RMC sentences are decoded; any other is ignored.
enum class Talker { Gp, Gn, Gl, Ga, Gb, Bd, Gq, Gi };
inline constexpr int kTalkers = 8;

// Constellation letters of the satellites. kSlotTable: a GPS or SBAS PRN, kept in the 42-slot
// table under its own rules; the others go to the table of other satellites.
inline constexpr char kSlotTable = 'G';
inline constexpr char kGlonass = 'R';
inline constexpr char kGalileo = 'E';
inline constexpr char kBeidou = 'C';
inline constexpr char kQzss = 'J';
inline constexpr char kNavic = 'I';
// Not a constellation: the PRN's range decides (the GP and GN talkers, GSA system id 1).
inline constexpr char kByRange = 0;

// The constellation a talker's satellites belong to, and the one a GSA's system id names
// (1 GPS, 2 GLONASS, 3 Galileo, 4 BeiDou, 5 QZSS, 6 NavIC; kByRange for any other id).
char constellationOfTalker(Talker talker);
char constellationOfSystemId(int systemId);

// A satellite as reported: its constellation letter and its number within it (R7, E12, C23);
// for kSlotTable the PRN as sent. system 0: no satellite this parser keeps.
struct SatelliteId {
    char system;
    int number;
};
SatelliteId identifySatellite(char constellation, int prn);

// The parser takes every tick (parse tick, staleness, copy ages) from this clock. The engine
// attaches its clock; without one every tick reads 0.
void attachClock(platform::Clock* clock);
platform::Clock* attachedClock();

// Called after one of the five decoders accepted a sentence (an RMC only when valid), from any
// accepted talker, with the NUL-terminated sentence text. For tools that follow the stream sentence
// by sentence.
using SentenceObserver = void (*)(void* context, SentenceKind kind, const char* sentence);
void setSentenceObserver(SentenceObserver observer, void* context);

// Appends bytes to the raw log and the ring until all are stored (kPutAllStored) or the ring is
// full (kPutRingFull; the byte that did not fit is neither logged nor stored).
int putBytes(const uint8_t* bytes, size_t count);
// How many bytes the ring takes before it is full.
int ringRoom();

// Drains the ring through the framer, decodes every completed sentence, then applies the
// staleness rules. Returns the last byte taken from the ring (0 when the ring was empty).
int runFramer();

// Whole-record copies for the state refresh. The results are the ages of the records in ms.
uint32_t copyPosition(engine::PositionRecord& out);
uint32_t copySatellites(engine::SatelliteInfo (&out)[engine::kSatelliteSlots]);
// The other constellations' satellites; the result is the time since the last GSV.
uint32_t copyOtherSatellites(engine::OtherSatellite (&out)[engine::kOtherSatelliteSlots]);
uint32_t copyDop(engine::DopRecord& out);
uint32_t copyMotion(engine::MotionRecord& out);
// True when a magnetic variation direction is known.
bool copyMagVar(engine::MagVarRecord& out);

// The last 5000 received bytes; index points at the newest one.
struct RawLogView {
    const uint8_t* bytes;
    int index;
};
RawLogView rawLog();

// Clears every working record, the ring, the raw log and the framer (port closed).
void resetParser();

// Line feeds the framer has taken from the ring since the last reset (a replay derives its
// clock from it).
uint32_t lineFeedsFramed();

// The real PRN of the SBAS satellite held in slot 33..36 (0 = none).
int sbasPrn(int slot);

} // namespace dgps
