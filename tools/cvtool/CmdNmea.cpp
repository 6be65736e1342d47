// cvtool nmea: replays an NMEA byte stream through the engine as the reader thread feeds it, and
// prints the GPS state as one JSON object after every sentence the parser decoded.

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "CliSupport.h"
#include "Commands.h"
#include "StateJson.h"
#include "ToolStartup.h"
#include "engine/Dgps.h"
#include "engine/FixStatus.h"
#include "engine/GpsEngine.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

namespace cvtool {
namespace {

constexpr size_t kReadSize = 1000; // the reader's largest read

// Time advances 1 ms per input line: the tick is 1 plus the line feeds the framer has consumed,
// so a sentence on line N is stamped N and no record goes stale during a replay.
class LineClock final : public platform::Clock {
public:
    uint32_t tickCount() override { return 1 + dgps::lineFeedsFramed(); }
    platform::SystemTime localTime() override { return {}; }
    void sleepMs(uint32_t) override {}
};

// Writes the object for one decoded sentence without its closing brace, so callers can append
// further ,"key":value pairs before closing it.
void writeSentenceObjectBody(std::FILE* out, const char* sentence, const engine::GpsState& state) {
    // The identifier as sent, with its talker: "$GNGGA" decodes as "$GPGGA" does.
    std::fputc('{', out);
    jsonKey(out, "sentence", true);
    writeJsonString(out, sentence, std::strcspn(sentence, ","));
    jsonKey(out, "raw");
    writeJsonString(out, sentence);
    writeStateMembers(out, state);
    writeOtherSatellites(out, state);
}

// --- The replay --------------------------------------------------------------------------------

struct Replay {
    engine::GpsEngine& engine;
    std::FILE* out;
    bool withMasks; // append the status text, EHE and mask verdict (--ini)
};

// The verdicts the screens would show for this state under the engine's mask settings.
void writeStatusAndMasks(std::FILE* out, const engine::GpsEngine& engine) {
    char16_t status[32] = {};
    engine::statusText(engine, status, std::size(status));
    jsonKey(out, "statusText");
    writeJsonString(out, status);
    jsonKey(out, "ehe");
    writeJsonDouble(out, engine::estimatedHorizontalError(engine));
    int code = engine::MaskPassed;
    bool masked = engine::maskCode(engine, code);
    jsonKey(out, "masked");
    std::fputs(masked ? "true" : "false", out);
    jsonKey(out, "maskCode");
    std::fprintf(out, "%d", code);
    jsonKey(out, "maskText");
    writeJsonString(out, engine::maskReasonText(masked ? code : engine::MaskPassed));
}

// Runs inside the engine's feed with the engine lock held: refresh the state as the timer would,
// then print it.
void onSentence(void* context, dgps::SentenceKind, const char* sentence) {
    auto& replay = *static_cast<Replay*>(context);
    replay.engine.refreshLocked();
    writeSentenceObjectBody(replay.out, sentence, replay.engine.state);
    if (replay.withMasks) writeStatusAndMasks(replay.out, replay.engine);
    std::fputs("}\n", replay.out);
}

constexpr const char* kHelp =
    "usage: cvtool nmea [--ini FILE] [FILE|-]\n"
    "\n"
    "Replays an NMEA byte stream (FILE, or stdin for '-' or no FILE) through the engine as the\n"
    "serial reader feeds it, and prints the GPS state as one JSON object per line after every\n"
    "sentence the parser decoded (sentences with a bad checksum or framing print nothing).\n"
    "Time advances 1 ms per input line. Each object holds:\n"
    "  sentence, raw            the sentence identifier and its text\n"
    "  position                 ggaTick, latitude, longitude (degrees), altitude, altitudeUnit,\n"
    "                           utcHour, utcMinute, utcSecond, quality, satellitesUsed, hdop,\n"
    "                           geoidSeparation, geoidUnit, diffAge (s), fixText\n"
    "  dop                      gsaTick, gsaSelection, fixMode, satellitesInView, usedSlots,\n"
    "                           pdop, gsaHdop, vdop\n"
    "  motion                   motionTick, trackTrue, trackMagnetic, speed (mph), speedUnit\n"
    "  magVar                   magVarDir, magVar\n"
    "  satellites               the filled slots: slot, prn, azimuth, elevation, snr, used,\n"
    "                           inView, lastSeenTick\n"
    "  otherSatellites          the GLONASS, Galileo, BeiDou, QZSS and NavIC satellites in\n"
    "                           view: system (R, E, C, J, I), prn (within the system),\n"
    "                           azimuth, elevation, snr, used, inView, lastSeenTick\n"
    "With --ini also: statusText, ehe (metres, -1 without a fix), masked, maskCode and\n"
    "maskText, the quality mask verdict under that file's mask settings (codes: 0 passed,\n"
    "1 No 3D, 2 PDOP high, 3 No DGPS, 4 low SNR, 5 low sat Elev., 6 EHE high, 7 No Fix).\n"
    "\n"
    "  --ini FILE   a cv.ini whose mask settings apply, read as the program reads it\n"
    "\n"
    "Exit status: 0; 2 for bad usage, an unreadable cv.ini or input.\n";

// Takes the mask settings of a cv.ini, read by the program's own reader (which refuses what is
// not a regular file, so /dev/zero or a FIFO cannot hang or exhaust the run), and sets the link
// flags of an open port; receiving the bytes marks the data as seen.
bool applyIni(const char* path, engine::GpsEngine& engine) {
    if (!readToolSettings("nmea", path, engine.settings, engine.prompter())) return false;
    engine.link.portOpen = 1;
    engine.link.commOk = 1;
    return true;
}

} // namespace

int cmdNmea(int argc, char** argv) {
    const char* ini = nullptr;
    const char* path = nullptr;
    std::vector<const char*> operands;
    auto handle = [&](std::string_view, const char* value) {
        ini = value;
        return kExitOk;
    };
    if (auto s = parseArguments("nmea", kHelp, argc, argv, {{"ini", true}}, handle, operands))
        return *s;
    if (!inputOperand("nmea", operands, path)) return kExitUsage;
    std::FILE* in = openInput(path);
    if (in == nullptr) return kExitUsage;

    LineClock clock;
    platform::StderrPrompter prompter;
    engine::GpsEngine engine(clock, prompter);
    dgps::resetParser();
    if (ini != nullptr && !applyIni(ini, engine)) {
        closeInput(in);
        return kExitUsage;
    }
    Replay replay{engine, stdout, ini != nullptr};
    dgps::setSentenceObserver(onSentence, &replay);

    // read(2), not stdio: like the serial reader, each read hands over what has arrived, so a
    // live pipe is decoded as it comes.
    uint8_t buffer[kReadSize];
    bool failed = false;
    for (;;) {
        ssize_t n = read(fileno(in), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        engine.receiveBytes(buffer, static_cast<size_t>(n));
        std::fflush(stdout);
    }
    dgps::setSentenceObserver(nullptr, nullptr);
    closeInput(in);
    if (failed) return usageError("nmea: read error on %s", path ? path : "stdin");
    return kExitOk;
}

} // namespace cvtool
