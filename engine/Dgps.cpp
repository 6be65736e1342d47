#include "engine/Dgps.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/Clock.h"

namespace dgps {
namespace {

using engine::DopRecord;
using engine::MagVarRecord;
using engine::MotionRecord;
using engine::OtherSatellite;
using engine::PositionRecord;
using engine::SatelliteInfo;

constexpr int kSentenceKinds = 5;
constexpr const char* kIdentifiers[kSentenceKinds] = {"$GPGGA", "$GPVTG", "$GPGSA", "$GPGSV",
                                                      "$GPRMC"};
constexpr const char kKindNames[kSentenceKinds][4] = {"GGA", "VTG", "GSA", "GSV", "RMC"};
constexpr const char kTalkerNames[kTalkers][3] = {"GP", "GN", "GL", "GA", "GB", "BD", "GQ", "GI"};
constexpr int kNoKind = -1;
// The signal a GSV cycle of a talker reports first: L1 C/A, G1, B1I, L5 of NavIC; E1 B/C for
// Galileo. A receiver that also reports other signals repeats the cycle for each of them.
constexpr char kPrimarySignal[kTalkers] = {1, 1, 1, 7, 1, 1, 1, 1};
constexpr int kAcceptedSbasPrns[] = {35, 47, 48, 51, 122, 134, 135, 138};
constexpr int kClearedSlots = 38; // slots 0..37 take part in the per-cycle and staleness rules
constexpr int kGsaPrnFields = 12;

// Framing states.
constexpr int kHunting = 0;
constexpr int kInSentence = 1;
constexpr int kFirstChecksumChar = 2;
constexpr int kSecondChecksumChar = 3;

struct ModuleState {
    uint8_t ring[kRingSize] = {};
    int ringRead = 0;
    int ringWrite = 0;

    uint8_t rawLog[kRawLogSize] = {};
    int rawLogIndex = 0;

    char sentence[kSentenceSize] = {};
    int sentenceIndex = 0;
    int framingState = kHunting;

    char field[kFieldSize] = {};
    int fieldLength = 0;
    int cursor = 0;
    int lastResult = kFieldComma;
    bool fieldEmpty = false;

    PositionRecord position;
    MotionRecord motion;
    DopRecord dop;
    SatelliteInfo satellites[engine::kSatelliteSlots];
    OtherSatellite others[engine::kOtherSatelliteSlots];
    MagVarRecord magVar;

    int sbasPrn[kSbasSlots] = {};
    int sbasCounter = 1;

    // The talker of the sentence being decoded, and the talker that last reported each of the
    // other satellites: a GSV cycle cleans up only its own talker's satellites.
    Talker talker = Talker::Gp;
    Talker otherTalker[engine::kOtherSatelliteSlots] = {};
    uint32_t otherCleanupTick[kTalkers] = {};
    bool primarySignalSeen[kTalkers] = {};

    // Several GSA sentences in a row make up one fix; usedCount is the length of usedSlots.
    int lastKind = kNoKind;
    Talker lastGsaTalker = Talker::Gp;
    int lastGsaSystemId = 0;
    int usedCount = 0;

    uint32_t satelliteTick = 0; // of the 42 slots
    uint32_t otherTick = 0;     // of the other satellites' table
    uint32_t cleanupTick = 0;
    uint32_t parseTick = 0;
    bool positionStale = false;
    bool motionStale = false;
    bool dopStale = false;
    bool satellitesStale = false;

    uint32_t lineFeeds = 0;
};

ModuleState g;
platform::Clock* g_clock = nullptr;
SentenceObserver g_observer = nullptr;
void* g_observerContext = nullptr;

uint32_t now() {
    return g_clock != nullptr ? g_clock->tickCount() : 0;
}

// --- Number conversion -------------------------------------------------------------------------
// atoi/atof semantics (leading blanks and sign, the longest numeric prefix, 0 when there is none),
// but always with '.' as the decimal point, whatever locale the program runs in.

const char* skipBlanksAndPlus(const char* s, bool& plusSeen) {
    while (*s == ' ' || (*s >= '\t' && *s <= '\r'))
        ++s;
    plusSeen = *s == '+';
    return plusSeen ? s + 1 : s;
}

bool hasNegativeExponent(const char* s) {
    for (; *s != '\0'; ++s)
        if ((*s == 'e' || *s == 'E') && s[1] == '-') return true;
    return false;
}

int toInt(const char* text) {
    bool plus = false;
    const char* s = skipBlanksAndPlus(text, plus);
    if (plus && *s == '-') return 0;
    const char* end = s + std::strlen(s);
    long value = 0;
    auto [ptr, ec] = std::from_chars(s, end, value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) return *s == '-' ? INT_MIN : INT_MAX;
    if (ec != std::errc()) return 0;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

double toDouble(const char* text) {
    bool plus = false;
    const char* s = skipBlanksAndPlus(text, plus);
    if (plus && *s == '-') return 0.0;
    const char* end = s + std::strlen(s);
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(s, end, value);
    if (ec == std::errc::result_out_of_range) {
        double magnitude = hasNegativeExponent(s) ? 0.0 : HUGE_VAL;
        return *s == '-' ? -magnitude : magnitude;
    }
    if (ec != std::errc()) return 0.0;
    (void)ptr;
    return value;
}

float toFloat(const char* text) {
    return static_cast<float>(toDouble(text));
}

// The integer of `count` characters of text starting at `from`.
int intOfChars(const char* text, int from, int count) {
    char part[8] = {};
    std::memcpy(part, text + from, static_cast<size_t>(count));
    return toInt(part);
}

// --- Fields ------------------------------------------------------------------------------------

// Copies the field at the cursor into the field buffer. A field longer than 49 characters is cut
// to 49; the rest of it and its separator are skipped so the following fields stay in place.
int readField() {
    g.fieldEmpty = false;
    int n = 0;
    int result = kFieldEnd;
    for (;;) {
        char c = g.cursor < kSentenceSize - 1 ? g.sentence[g.cursor] : '\0';
        if (c == '\0') {
            result = kFieldEnd;
            break;
        }
        if (c == ',' || c == '*') {
            ++g.cursor;
            result = c == ',' ? kFieldComma : kFieldStar;
            break;
        }
        if (n == kFieldSize - 1) {
            while (g.cursor < kSentenceSize - 1 && g.sentence[g.cursor] != '\0' &&
                   g.sentence[g.cursor] != ',' && g.sentence[g.cursor] != '*')
                ++g.cursor;
            if (g.cursor < kSentenceSize - 1 && g.sentence[g.cursor] != '\0') ++g.cursor;
            result = kFieldTooLong;
            break;
        }
        g.field[n++] = c;
        ++g.cursor;
    }
    g.field[n] = '\0';
    g.fieldLength = n;
    g.fieldEmpty = n == 0 && result != kFieldTooLong;
    g.lastResult = result;
    return result;
}

double fieldDouble() {
    return toDouble(g.field);
}
float fieldFloat() {
    return toFloat(g.field);
}
int fieldInt() {
    return toInt(g.field);
}

bool isAcceptedSbas(int prn) {
    for (int accepted : kAcceptedSbasPrns)
        if (prn == accepted) return true;
    return false;
}

// Degrees and minutes, "ddmm.mmmm" or "dddmm.mmmm", in decimal degrees; 0 when too short.
double angleOfField(int degreeChars) {
    if (g.fieldLength < 6) return 0.0;
    char degrees[4] = {};
    std::memcpy(degrees, g.field, static_cast<size_t>(degreeChars));
    return toDouble(degrees) + toDouble(g.field + degreeChars) / 60.0;
}

// The field that starts after the given number of commas, or nullptr when the sentence has
// fewer; lastField: the one after the last comma. Both stop at '*'.
const char* fieldAfterCommas(int commas, int& commasInSentence) {
    const char* found = nullptr;
    int n = 0;
    for (const char* c = g.sentence; *c != '\0' && *c != '*'; ++c) {
        if (*c != ',') continue;
        if (++n == commas) found = c + 1;
    }
    commasInSentence = n;
    return found;
}

// A one-character field at `text` (ended by ',' or '*') read as a hexadecimal digit; -1 otherwise.
int singleHexField(const char* text) {
    if (text == nullptr || text[0] == '\0' || (text[1] != '*' && text[1] != ',')) return -1;
    char c = text[0];
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The system id that NMEA 4.10 appends to GSA as its 18th field; 0 when there is none.
int gsaSystemId() {
    int commas = 0;
    int id = singleHexField(fieldAfterCommas(18, commas));
    return commas == 18 && id >= 1 && id <= 6 ? id : 0;
}

// The signal id that NMEA 4.11 appends to GSV after the last group; -1 when there is none.
int gsvSignalId() {
    int commas = 0;
    fieldAfterCommas(0, commas);
    if (commas < 4 || (commas - 3) % 4 != 1) return -1;
    return singleHexField(fieldAfterCommas(commas, commas));
}

// --- Decoders ----------------------------------------------------------------------------------

const char16_t* fixTextOf(int quality) {
    switch (quality) {
    case 0:
        return engine::kFixTextNoFix;
    case 1:
        return engine::kFixTextGps;
    case 2:
        return engine::kFixTextDgps;
    default:
        return engine::kFixTextOther;
    }
}

bool decodeGga() {
    PositionRecord& p = g.position;
    readField(); // time
    if (g.fieldLength >= 6) {
        p.utcHour = static_cast<uint16_t>(intOfChars(g.field, 0, 2));
        p.utcMinute = static_cast<uint16_t>(intOfChars(g.field, 2, 2));
        p.utcSecond = static_cast<uint16_t>(intOfChars(g.field, 4, 2));
    } else {
        p.utcHour = p.utcMinute = p.utcSecond = 0;
    }
    readField();
    p.latitude = angleOfField(2);
    readField();
    if (g.field[0] == 'S') p.latitude = -p.latitude;
    readField();
    p.longitude = angleOfField(3);
    readField();
    if (g.field[0] == 'W') p.longitude = -p.longitude;
    readField();
    if (!g.fieldEmpty) {
        char c = g.field[0];
        p.quality = static_cast<int16_t>(c >= '1' && c <= '5' ? c - '0' : 0);
    }
    readField();
    p.satellitesUsed = static_cast<int16_t>(fieldInt());
    readField();
    p.hdop = fieldFloat();
    readField();
    p.altitude = fieldDouble();
    readField();
    p.altitudeUnit = g.field[0];
    readField();
    p.geoidSeparation = fieldFloat();
    readField();
    p.geoidUnit = g.field[0];
    readField();
    p.diffAge = g.fieldEmpty ? -1.0f : fieldFloat();
    p.ggaTick = g.parseTick;
    p.fixText = fixTextOf(p.quality);
    return true;
}

// The variation between true and magnetic track, folded into -180..180 degrees.
void setVariationFromTracks(float trackTrue, float trackMagnetic) {
    double d = std::remainder(static_cast<double>(trackTrue) - trackMagnetic, 360.0);
    if (d >= 0) {
        g.magVar.magVarDir = 'E';
        g.magVar.magVar = static_cast<float>(d);
    } else {
        g.magVar.magVarDir = 'W';
        g.magVar.magVar = static_cast<float>(-d);
    }
}

bool decodeVtg() {
    MotionRecord& m = g.motion;
    readField();
    m.trackTrue = fieldFloat();
    readField(); // 'T'
    readField();
    m.trackMagnetic = fieldFloat();
    bool magneticPresent = !g.fieldEmpty;
    readField(); // 'M'
    readField();
    m.speed = static_cast<float>(fieldDouble() * kKnotsToMph);
    readField();
    if (!g.fieldEmpty) m.speedUnit = g.field[0];
    readField(); // km/h, not used
    if (magneticPresent)
        setVariationFromTracks(m.trackTrue, m.trackMagnetic);
    else
        g.magVar.magVar = 0;
    m.motionTick = g.parseTick;
    return true;
}

// The SBAS slot for a PRN listed in $GPGSA: the slot holding it, else the previous choice.
int sbasSlotFor(int prn, int previousSlot) {
    for (int i = 0; i < kSbasSlots; ++i)
        if (g.sbasPrn[i] == prn) return engine::kFirstSbasSlot + i;
    return previousSlot;
}

// A satellite listed twice (in one GSA or in two of the same fix) is counted once.
void recordUsed(int slot) {
    SatelliteInfo& s = g.satellites[slot];
    if (!s.inView || s.used) return;
    s.used = 1;
    g.dop.usedSlots[g.usedCount++] = static_cast<uint16_t>(slot);
}

int findOther(SatelliteId id) {
    for (int i = 0; i < engine::kOtherSatelliteSlots; ++i)
        if (g.others[i].system == id.system && g.others[i].prn == id.number) return i;
    return -1;
}

void recordOtherUsed(SatelliteId id) {
    int i = findOther(id);
    if (i >= 0 && g.others[i].inView) g.others[i].used = 1;
}

// A GSA that leaves the constellation to the PRN range: receivers that number BeiDou from 201
// (as their GB or BD GSV does) list it so in $GNGSA too; such a PRN is BeiDou when that
// satellite is in the table, else it is taken by its range.
SatelliteId identifyUsedSatellite(char constellation, int prn) {
    if (constellation == kByRange && prn >= 201 && prn <= 263) {
        SatelliteId beidou = identifySatellite(kBeidou, prn);
        if (findOther(beidou) >= 0) return beidou;
    }
    return identifySatellite(constellation, prn);
}

// A GSA continues the fix of the GSA just before it when it comes from another talker or names
// another system; a $GNGSA without system id always does, since a receiver sends one per
// constellation. Any other sentence in between starts a new fix.
bool gsaContinuesFix(int systemId) {
    if (g.lastKind != static_cast<int>(SentenceKind::Gsa)) return false;
    if (g.talker != g.lastGsaTalker || systemId != g.lastGsaSystemId) return true;
    return g.talker == Talker::Gn && systemId == 0;
}

void startFix() {
    for (int slot = 0; slot < kClearedSlots; ++slot)
        g.satellites[slot].used = 0;
    for (OtherSatellite& o : g.others)
        o.used = 0;
    std::memset(g.dop.usedSlots, 0, sizeof g.dop.usedSlots);
    g.usedCount = 0;
}

bool decodeGsa() {
    DopRecord& d = g.dop;
    const int systemId = gsaSystemId();
    if (!gsaContinuesFix(systemId)) startFix();
    g.lastGsaTalker = g.talker;
    g.lastGsaSystemId = systemId;
    const char constellation =
        systemId != 0 ? constellationOfSystemId(systemId) : constellationOfTalker(g.talker);

    if (readField() != kFieldComma) return true;
    if (g.field[0] == 'A') d.gsaSelection = 'A';
    if (g.field[0] == 'M') d.gsaSelection = 'M';
    if (readField() != kFieldComma) return true;
    char mode = g.field[0];
    d.fixMode = static_cast<uint16_t>(mode >= '1' && mode <= '3' ? mode - '0' : 0);

    int sbasSlot = engine::kFirstSbasSlot;
    for (int i = 0; i < kGsaPrnFields; ++i) {
        int result = readField();
        if (result == kFieldTooLong) return true;
        if (!g.fieldEmpty) {
            g.satelliteTick = g.parseTick;
            SatelliteId id = identifyUsedSatellite(constellation, fieldInt());
            if (id.system != kSlotTable) {
                if (id.system != 0) recordOtherUsed(id);
            } else if (g.usedCount < engine::kUsedSlotsCapacity) {
                int prn = id.number;
                if (prn >= 1 && prn <= 32) {
                    recordUsed(prn);
                } else if (prn >= 33 && isAcceptedSbas(prn)) {
                    sbasSlot = sbasSlotFor(prn, sbasSlot);
                    recordUsed(sbasSlot);
                }
            }
        }
        if (result != kFieldComma) return true;
    }
    if (readField() != kFieldComma) return true;
    d.pdop = fieldFloat();
    if (readField() != kFieldComma) return true;
    d.gsaHdop = fieldFloat();
    if (readField() == kFieldTooLong) return true;
    d.vdop = fieldFloat();
    d.gsaTick = g.parseTick;
    return true;
}

bool cleanupDue() {
    return g.parseTick - g.cleanupTick > kSatelliteCleanupIntervalMs;
}

void startGsvCycle() {
    if (cleanupDue()) {
        for (int slot = 0; slot < kClearedSlots; ++slot)
            if (!g.satellites[slot].used) g.satellites[slot].inView = 0;
        for (int i = 0; i < kSbasSlots; ++i)
            if (!g.satellites[engine::kFirstSbasSlot + i].used) g.sbasPrn[i] = 0;
    }
    g.sbasCounter = 1;
}

void fillSlot(int slot, int prn, int elevation, int azimuth, int snr) {
    SatelliteInfo& s = g.satellites[slot];
    s.prn = static_cast<int16_t>(prn);
    s.elevation = static_cast<int16_t>(elevation);
    s.azimuth = static_cast<int16_t>(azimuth);
    s.snr = static_cast<int16_t>(snr);
    s.inView = 1;
    s.lastSeenTick = g.parseTick;
}

// The other satellites of this talker that were not reported since its last clean-up leave the
// view at its next cycle start, and the table at that cycle's end, at most every 5 s.
bool otherCleanupDue() {
    return g.parseTick - g.otherCleanupTick[static_cast<int>(g.talker)] >
           kSatelliteCleanupIntervalMs;
}

void startOtherCycle() {
    if (!otherCleanupDue()) return;
    for (int i = 0; i < engine::kOtherSatelliteSlots; ++i)
        if (g.otherTalker[i] == g.talker && !g.others[i].used) g.others[i].inView = 0;
}

void endOtherCycle() {
    if (!otherCleanupDue()) return;
    for (int i = 0; i < engine::kOtherSatelliteSlots; ++i) {
        OtherSatellite& o = g.others[i];
        if (g.otherTalker[i] == g.talker && o.system != 0 && !o.inView) {
            o = OtherSatellite{};
            o.lastSeenTick = g.parseTick;
        }
    }
    g.otherCleanupTick[static_cast<int>(g.talker)] = g.parseTick;
}

// A satellite already held keeps its entry; a new one takes a free entry. A full table keeps
// the satellites it holds and takes no more until some leave the view.
void storeOther(SatelliteId id, int elevation, int azimuth, int snr) {
    int i = findOther(id);
    for (int free = 0; i < 0 && free < engine::kOtherSatelliteSlots; ++free)
        if (g.others[free].system == 0) i = free;
    if (i < 0) return;
    OtherSatellite& o = g.others[i];
    o.system = id.system;
    o.prn = static_cast<int16_t>(id.number);
    o.elevation = static_cast<int16_t>(elevation);
    o.azimuth = static_cast<int16_t>(azimuth);
    o.snr = static_cast<int16_t>(snr);
    o.inView = 1;
    o.lastSeenTick = g.parseTick;
    g.otherTalker[i] = g.talker;
}

void storeGsvGroup(int prn, int elevation, int azimuth, int snr) {
    SatelliteId id = identifySatellite(constellationOfTalker(g.talker), prn);
    if (id.system != kSlotTable) {
        if (id.system != 0) storeOther(id, elevation, azimuth, snr);
        return;
    }
    if (prn >= 1 && prn <= 32) {
        fillSlot(prn, prn, elevation, azimuth, snr);
    } else if (prn >= 33 && isAcceptedSbas(prn) && g.sbasCounter <= kSbasSlots) {
        int slot = engine::kFirstSbasSlot - 1 + g.sbasCounter;
        g.sbasPrn[g.sbasCounter - 1] = prn;
        fillSlot(slot, slot, elevation, azimuth, snr);
        ++g.sbasCounter;
    }
}

void readGsvGroups() {
    for (;;) {
        int r1 = readField();
        int prn = fieldInt();
        int r2 = readField();
        int elevation = fieldInt();
        int r3 = readField();
        int azimuth = fieldInt();
        int r4 = readField();
        int snr = fieldInt();
        if (r1 == kFieldTooLong || r2 == kFieldTooLong || r3 == kFieldTooLong ||
            r4 == kFieldTooLong || r4 == kFieldEnd)
            return;
        storeGsvGroup(prn, elevation, azimuth, snr);
        if (r4 == kFieldStar) return;
    }
}

// Empties the slots of satellites that were not reported in the cycle just ended.
void endGsvCycle() {
    for (SatelliteInfo& s : g.satellites) {
        if (s.prn > 0 && !s.inView) {
            s = SatelliteInfo{};
            s.lastSeenTick = g.parseTick;
        }
    }
    g.cleanupTick = g.parseTick;
}

// Of a receiver that repeats its GSV cycles for several signals, the cycles of the first signal
// are kept once they are seen; before that any signal's cycle is taken.
bool signalTaken() {
    const int signal = gsvSignalId();
    if (signal < 0) return true;
    const int t = static_cast<int>(g.talker);
    if (signal == kPrimarySignal[t]) g.primarySignalSeen[t] = true;
    return signal == kPrimarySignal[t] || !g.primarySignalSeen[t];
}

bool decodeGsv() {
    if (!signalTaken()) return false;
    // GP and GN cycles run the 42-slot table; every talker's cycle runs its other satellites.
    const bool slotCycle = g.talker == Talker::Gp || g.talker == Talker::Gn;
    if (readField() != kFieldComma) return true;
    int messageCount = fieldInt();
    if (readField() != kFieldComma) return true;
    int messageNumber = fieldInt();
    // A cycle without satellites ends its third field with '*'; its count still holds.
    int countResult = readField();
    if (countResult != kFieldComma && countResult != kFieldStar) return true;
    if (slotCycle) g.dop.satellitesInView = static_cast<uint16_t>(fieldInt());

    if (messageNumber == 1) {
        if (slotCycle) startGsvCycle();
        startOtherCycle();
    }
    if (countResult == kFieldComma) readGsvGroups();
    if (messageNumber == messageCount) {
        if (slotCycle && cleanupDue()) endGsvCycle();
        endOtherCycle();
    }
    if (slotCycle) g.satelliteTick = g.parseTick;
    g.otherTick = g.parseTick;
    return true;
}

bool decodeRmc() {
    MotionRecord& m = g.motion;
    if (readField() != kFieldComma) return false;                      // time
    if (readField() != kFieldComma || g.field[0] != 'A') return false; // status
    for (int i = 3; i <= 6; ++i)
        if (readField() != kFieldComma) return true;
    if (readField() != kFieldComma) return true;
    m.speed = static_cast<float>(fieldDouble() * kKnotsToMph);
    if (readField() != kFieldComma) return true;
    m.trackTrue = fieldFloat();
    if (readField() != kFieldComma) return true; // date
    if (readField() != kFieldComma) return true;
    if (g.fieldEmpty) {
        g.magVar.magVar = 0;
        m.motionTick = g.parseTick;
        return true;
    }
    g.magVar.magVar = fieldFloat();
    // The direction is the last field of an NMEA 2.0 sentence and ends with '*' there; later
    // versions follow it with the mode field. Some receivers leave it out and put the mode
    // letter in its place, which is no direction.
    int directionResult = readField();
    if (directionResult == kFieldComma || directionResult == kFieldStar) {
        char direction = g.field[0];
        g.magVar.magVarDir = direction == 'E' || direction == 'W' ? direction : 0;
        m.motionTick = g.parseTick;
    } else {
        g.magVar.magVarDir = 0;
    }
    return true;
}

// --- Sentences ---------------------------------------------------------------------------------

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int sentenceLength() {
    int n = 0;
    while (n < kSentenceSize && static_cast<uint8_t>(g.sentence[n]) >= 32)
        ++n;
    return n;
}

bool checksumMatches(int length) {
    uint8_t sum = 0;
    for (int i = 1; i < length - 3; ++i)
        sum ^= static_cast<uint8_t>(g.sentence[i]);
    int high = hexDigit(g.sentence[length - 2]);
    int low = hexDigit(g.sentence[length - 1]);
    return high >= 0 && low >= 0 && high * 16 + low == sum;
}

bool decodeKind(int kind) {
    switch (static_cast<SentenceKind>(kind)) {
    case SentenceKind::Gga:
        return decodeGga();
    case SentenceKind::Vtg:
        return decodeVtg();
    case SentenceKind::Gsa:
        return decodeGsa();
    case SentenceKind::Gsv:
        return decodeGsv();
    case SentenceKind::Rmc:
        return decodeRmc();
    }
    return false;
}

// The kind of a "$ttKKK" identifier from an accepted talker (and sets g.talker), else kNoKind.
int identifySentence() {
    if (g.fieldLength != 6 || g.field[0] != '$') return kNoKind;
    int talker = 0;
    while (talker < kTalkers && std::memcmp(g.field + 1, kTalkerNames[talker], 2) != 0)
        ++talker;
    if (talker == kTalkers) return kNoKind;
    for (int kind = 0; kind < kSentenceKinds; ++kind) {
        if (std::memcmp(g.field + 3, kKindNames[kind], 3) != 0) continue;
        g.talker = static_cast<Talker>(talker);
        return kind;
    }
    return kNoKind;
}

void decodeSentence() {
    g.parseTick = now();
    int length = sentenceLength();
    if (length < 5 || !checksumMatches(length)) return;
    g.cursor = 0;
    readField();
    const int kind = identifySentence();
    if (kind == kNoKind) return;
    const bool accepted = decodeKind(kind);
    g.lastKind = kind;
    if (accepted && g_observer != nullptr)
        g_observer(g_observerContext, static_cast<SentenceKind>(kind), g.sentence);
}

void startSentence() {
    g.sentence[0] = '$';
    g.sentenceIndex = 1;
    g.framingState = kInSentence;
}

void storeSentenceByte(uint8_t byte) {
    g.sentence[g.sentenceIndex++] = static_cast<char>(byte);
}

void frameByte(uint8_t byte) {
    if (byte == '$') {
        startSentence();
    } else {
        switch (g.framingState) {
        case kInSentence:
            storeSentenceByte(byte);
            if (byte == '*') g.framingState = kFirstChecksumChar;
            break;
        case kFirstChecksumChar:
            storeSentenceByte(byte);
            g.framingState = kSecondChecksumChar;
            break;
        case kSecondChecksumChar:
            storeSentenceByte(byte);
            g.framingState = kHunting;
            // A sentence that fills the whole buffer leaves no room for its terminator; it is
            // dropped below like any overlong one.
            if (g.sentenceIndex < kSentenceSize) {
                g.sentence[g.sentenceIndex] = '\0';
                decodeSentence();
            }
            break;
        default:
            break;
        }
    }
    if (g.sentenceIndex >= kSentenceSize) {
        g.sentence[kSentenceSize - 1] = '\0';
        g.sentenceIndex = 0;
        g.framingState = kHunting;
    }
}

// --- Staleness ---------------------------------------------------------------------------------

void clearPosition() {
    PositionRecord& p = g.position;
    p.latitude = p.longitude = p.altitude = 0;
    p.utcHour = p.utcMinute = p.utcSecond = 0;
    p.quality = p.satellitesUsed = 0;
    p.hdop = p.diffAge = -1.0f;
    p.fixText = engine::kFixTextNoFix;
}

void clearMotion() {
    g.motion.trackTrue = g.motion.speed = 0;
}

void clearDop() {
    DopRecord& d = g.dop;
    d.fixMode = d.satellitesInView = 0;
    std::memset(d.usedSlots, 0, sizeof d.usedSlots);
    g.usedCount = 0;
    d.pdop = d.gsaHdop = d.vdop = -1.0f;
}

void clearSatellites() {
    for (int slot = 0; slot < kClearedSlots; ++slot) {
        SatelliteInfo& s = g.satellites[slot];
        s.prn = s.azimuth = s.elevation = s.snr = s.used = s.inView = 0;
    }
    std::memset(g.sbasPrn, 0, sizeof g.sbasPrn);
}

// Each of the other satellites leaves the table when no GSV has reported it for as long as the
// 42 slots are kept without news, also when its constellation's GSV cycles stopped altogether.
void ageOtherSatellites(uint32_t nowTick) {
    for (OtherSatellite& o : g.others)
        if (o.system != 0 && nowTick - o.lastSeenTick > kSatelliteAgeLimitMs) o = OtherSatellite{};
}

// First drain past the limit marks the record, the next one (still past it) clears it.
void ageRecord(uint32_t nowTick, uint32_t tick, uint32_t limit, bool& stale, void (*clear)()) {
    if (nowTick - tick <= limit) {
        stale = false;
    } else if (!stale) {
        stale = true;
    } else {
        clear();
        stale = false;
    }
}

void applyStaleness() {
    uint32_t t = now();
    ageRecord(t, g.position.ggaTick, kPositionAgeLimitMs, g.positionStale, clearPosition);
    ageRecord(t, g.motion.motionTick, kMotionAgeLimitMs, g.motionStale, clearMotion);
    ageRecord(t, g.dop.gsaTick, kDopAgeLimitMs, g.dopStale, clearDop);
    ageRecord(t, g.satelliteTick, kSatelliteAgeLimitMs, g.satellitesStale, clearSatellites);
    ageOtherSatellites(t);
}

} // namespace

// --- Entry points --------------------------------------------------------------------------------

const char* sentenceIdentifier(SentenceKind kind) {
    return kIdentifiers[static_cast<int>(kind)];
}

char constellationOfTalker(Talker talker) {
    switch (talker) {
    case Talker::Gl:
        return kGlonass;
    case Talker::Ga:
        return kGalileo;
    case Talker::Gb:
    case Talker::Bd:
        return kBeidou;
    case Talker::Gq:
        return kQzss;
    case Talker::Gi:
        return kNavic;
    case Talker::Gp:
    case Talker::Gn:
        break;
    }
    return kByRange;
}

char constellationOfSystemId(int systemId) {
    constexpr char kBySystemId[] = {kByRange, kByRange, kGlonass, kGalileo, kBeidou, kQzss, kNavic};
    return systemId >= 1 && systemId <= 6 ? kBySystemId[systemId] : kByRange;
}

namespace {
// prn in first..last gives number prn - offset of the system.
struct PrnRange {
    char constellation;
    int first;
    int last;
    char system;
    int offset;
};
constexpr PrnRange kPrnRanges[] = {
    // GPS 1-32 and SBAS 33-64 and 120-158 keep the 42-slot rules, whatever the talker said.
    {kByRange, 1, 64, kSlotTable, 0},
    {kByRange, 120, 158, kSlotTable, 0},
    {kByRange, 65, 96, kGlonass, 64},
    {kByRange, 193, 202, kQzss, 192},
    {kByRange, 301, 336, kGalileo, 300},
    {kByRange, 401, 463, kBeidou, 400},
    {kGlonass, 65, 96, kGlonass, 64},
    {kGalileo, 1, 36, kGalileo, 0},
    {kGalileo, 301, 336, kGalileo, 300},
    {kBeidou, 1, 63, kBeidou, 0},
    {kBeidou, 201, 263, kBeidou, 200},
    {kBeidou, 401, 463, kBeidou, 400},
    {kQzss, 1, 10, kQzss, 0},
    {kQzss, 193, 202, kQzss, 192},
    {kNavic, 1, 14, kNavic, 0},
};
} // namespace

SatelliteId identifySatellite(char constellation, int prn) {
    for (const PrnRange& r : kPrnRanges)
        if (r.constellation == constellation && prn >= r.first && prn <= r.last)
            return SatelliteId{r.system, prn - r.offset};
    return SatelliteId{0, 0};
}

void attachClock(platform::Clock* clock) {
    g_clock = clock;
}
platform::Clock* attachedClock() {
    return g_clock;
}

void setSentenceObserver(SentenceObserver observer, void* context) {
    g_observer = observer;
    g_observerContext = context;
}

namespace {

// Writes count bytes into a circular buffer of size bytes from position at, wrapping at its end;
// the position after the last byte written.
int copyAround(uint8_t* buffer, int size, int at, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const size_t piece = std::min(count, static_cast<size_t>(size - at));
        std::memcpy(buffer + at, bytes, piece);
        bytes += piece;
        count -= piece;
        at += static_cast<int>(piece);
        if (at == size) at = 0;
    }
    return at;
}

} // namespace

int ringRoom() {
    if (g.ringWrite < 0 || g.ringWrite >= kRingSize) g.ringWrite = 0;
    // One place stays free, so that a full ring is told from an empty one.
    const int unread = (g.ringWrite - g.ringRead + kRingSize) % kRingSize;
    return kRingSize - 1 - unread;
}

int putBytes(const uint8_t* bytes, size_t count) {
    // What does not fit is refused: the caller runs the framer and offers it again.
    const size_t stored = std::min(count, static_cast<size_t>(ringRoom()));
    if (stored > 0) {
        // The raw log's index names the last byte written.
        const int next = g.rawLogIndex + 1 >= kRawLogSize ? 0 : g.rawLogIndex + 1;
        const int after = copyAround(g.rawLog, kRawLogSize, next, bytes, stored);
        g.rawLogIndex = after == 0 ? kRawLogSize - 1 : after - 1;
        g.ringWrite = copyAround(g.ring, kRingSize, g.ringWrite, bytes, stored);
    }
    return stored < count ? kPutRingFull : kPutAllStored;
}

int runFramer() {
    int last = 0;
    while (g.ringRead != g.ringWrite) {
        uint8_t byte = g.ring[g.ringRead];
        if (++g.ringRead == kRingSize) g.ringRead = 0;
        last = byte;
        if (byte == '\n') ++g.lineFeeds;
        frameByte(byte);
    }
    applyStaleness();
    return last;
}

uint32_t copyPosition(engine::PositionRecord& out) {
    out = g.position;
    return now() - g.position.ggaTick;
}

uint32_t copySatellites(engine::SatelliteInfo (&out)[engine::kSatelliteSlots]) {
    std::memcpy(out, g.satellites, sizeof g.satellites);
    return now() - g.satelliteTick;
}

uint32_t copyOtherSatellites(engine::OtherSatellite (&out)[engine::kOtherSatelliteSlots]) {
    std::memcpy(out, g.others, sizeof g.others);
    return now() - g.otherTick;
}

uint32_t copyDop(engine::DopRecord& out) {
    out = g.dop;
    return now() - g.dop.gsaTick;
}

uint32_t copyMotion(engine::MotionRecord& out) {
    out = g.motion;
    return now() - g.motion.motionTick;
}

bool copyMagVar(engine::MagVarRecord& out) {
    out = g.magVar;
    return g.magVar.magVarDir != 0;
}

RawLogView rawLog() {
    return RawLogView{g.rawLog, g.rawLogIndex};
}

void resetParser() {
    g = ModuleState{};
}

uint32_t lineFeedsFramed() {
    return g.lineFeeds;
}

int sbasPrn(int slot) {
    if (slot < engine::kFirstSbasSlot || slot > engine::kLastSbasSlot) return 0;
    return g.sbasPrn[slot - engine::kFirstSbasSlot];
}

} // namespace dgps
