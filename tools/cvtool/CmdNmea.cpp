// cvtool nmea: replays an NMEA byte stream through the engine as the reader thread feeds it, and
// prints the GPS state as one JSON object after every sentence the parser decoded.

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "CliSupport.h"
#include "Commands.h"
#include "data/ConfigFile.h"
#include "engine/Dgps.h"
#include "engine/FixStatus.h"
#include "engine/GpsEngine.h"
#include "geodesy/DatumTable.h"
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

// --- JSON values -------------------------------------------------------------------------------

// Control characters, '"', '\\' and every byte outside printable ASCII are escaped, so a raw
// sentence with stray bytes still gives valid JSON.
void writeJsonString(std::FILE* out, const char* text, size_t length) {
    std::fputc('"', out);
    for (size_t i = 0; i < length; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\')
            std::fprintf(out, "\\%c", c);
        else if (c < 0x20 || c >= 0x7f)
            std::fprintf(out, "\\u%04x", c);
        else
            std::fputc(c, out);
    }
    std::fputc('"', out);
}

void writeJsonString(std::FILE* out, const char* text) {
    writeJsonString(out, text, std::strlen(text));
}

void writeJsonString(std::FILE* out, const char16_t* text) {
    std::fputc('"', out);
    for (; text != nullptr && *text != 0; ++text) {
        char16_t c = *text;
        if (c == u'"' || c == u'\\')
            std::fprintf(out, "\\%c", static_cast<char>(c));
        else if (c < 0x20 || c >= 0x7f)
            std::fprintf(out, "\\u%04x", static_cast<unsigned>(c));
        else
            std::fputc(static_cast<char>(c), out);
    }
    std::fputc('"', out);
}

void writeJsonChar(std::FILE* out, char c) {
    writeJsonString(out, &c, c == 0 ? 0 : 1);
}

// 17 significant digits keep a double exact, 9 a float; JSON has no NaN or infinity.
void writeJsonDouble(std::FILE* out, double v) {
    if (std::isfinite(v))
        std::fprintf(out, "%.17g", v);
    else
        std::fputs("null", out);
}

void writeJsonFloat(std::FILE* out, float v) {
    if (std::isfinite(v))
        std::fprintf(out, "%.9g", static_cast<double>(v));
    else
        std::fputs("null", out);
}

void key(std::FILE* out, const char* name, bool first = false) {
    std::fprintf(out, first ? "\"%s\":" : ",\"%s\":", name);
}

// --- The parts of the state --------------------------------------------------------------------

void writePosition(std::FILE* out, const engine::PositionRecord& p) {
    std::fputc('{', out);
    key(out, "ggaTick", true);
    std::fprintf(out, "%u", p.ggaTick);
    key(out, "latitude");
    writeJsonDouble(out, p.latitude);
    key(out, "longitude");
    writeJsonDouble(out, p.longitude);
    key(out, "altitude");
    writeJsonDouble(out, p.altitude);
    key(out, "altitudeUnit");
    writeJsonChar(out, p.altitudeUnit);
    key(out, "utcHour");
    std::fprintf(out, "%u", p.utcHour);
    key(out, "utcMinute");
    std::fprintf(out, "%u", p.utcMinute);
    key(out, "utcSecond");
    std::fprintf(out, "%u", p.utcSecond);
    key(out, "quality");
    std::fprintf(out, "%d", p.quality);
    key(out, "satellitesUsed");
    std::fprintf(out, "%d", p.satellitesUsed);
    key(out, "hdop");
    writeJsonFloat(out, p.hdop);
    key(out, "geoidSeparation");
    writeJsonFloat(out, p.geoidSeparation);
    key(out, "geoidUnit");
    writeJsonChar(out, p.geoidUnit);
    key(out, "diffAge");
    writeJsonFloat(out, p.diffAge);
    key(out, "fixText");
    writeJsonString(out, p.fixText);
    std::fputc('}', out);
}

void writeDop(std::FILE* out, const engine::DopRecord& d) {
    std::fputc('{', out);
    key(out, "gsaTick", true);
    std::fprintf(out, "%u", d.gsaTick);
    key(out, "gsaSelection");
    std::fprintf(out, "%u", d.gsaSelection);
    key(out, "fixMode");
    std::fprintf(out, "%u", d.fixMode);
    key(out, "satellitesInView");
    std::fprintf(out, "%u", d.satellitesInView);
    key(out, "usedSlots");
    for (int i = 0; i < engine::kUsedSlotsCapacity; ++i)
        std::fprintf(out, "%c%u", i == 0 ? '[' : ',', d.usedSlots[i]);
    std::fputc(']', out);
    key(out, "pdop");
    writeJsonFloat(out, d.pdop);
    key(out, "gsaHdop");
    writeJsonFloat(out, d.gsaHdop);
    key(out, "vdop");
    writeJsonFloat(out, d.vdop);
    std::fputc('}', out);
}

void writeMotion(std::FILE* out, const engine::MotionRecord& m) {
    std::fputc('{', out);
    key(out, "motionTick", true);
    std::fprintf(out, "%u", m.motionTick);
    key(out, "trackTrue");
    writeJsonFloat(out, m.trackTrue);
    key(out, "trackMagnetic");
    writeJsonFloat(out, m.trackMagnetic);
    key(out, "speed");
    writeJsonFloat(out, m.speed);
    key(out, "speedUnit");
    writeJsonChar(out, m.speedUnit);
    std::fputc('}', out);
}

void writeMagVar(std::FILE* out, const engine::MagVarRecord& v) {
    std::fputc('{', out);
    key(out, "magVarDir", true);
    writeJsonChar(out, v.magVarDir);
    key(out, "magVar");
    writeJsonFloat(out, v.magVar);
    std::fputc('}', out);
}

void writeSatellites(std::FILE* out,
                     const engine::SatelliteInfo (&satellites)[engine::kSatelliteSlots]) {
    std::fputc('[', out);
    bool first = true;
    for (int slot = 0; slot < engine::kSatelliteSlots; ++slot) {
        const engine::SatelliteInfo& s = satellites[slot];
        if (s.prn <= 0) continue;
        std::fprintf(out,
                     "%s{\"slot\":%d,\"prn\":%d,\"azimuth\":%d,\"elevation\":%d,\"snr\":%d,"
                     "\"used\":%d,\"inView\":%d,\"lastSeenTick\":%u}",
                     first ? "" : ",", slot, s.prn, s.azimuth, s.elevation, s.snr, s.used, s.inView,
                     s.lastSeenTick);
        first = false;
    }
    std::fputc(']', out);
}

// Writes the object for one decoded sentence without its closing brace, so callers can append
// further ,"key":value pairs before closing it.
void writeSentenceObjectBody(std::FILE* out, dgps::SentenceKind kind, const char* sentence,
                             const engine::GpsState& state) {
    std::fputc('{', out);
    key(out, "sentence", true);
    writeJsonString(out, dgps::sentenceIdentifier(kind));
    key(out, "raw");
    writeJsonString(out, sentence);
    key(out, "position");
    writePosition(out, state.position);
    key(out, "dop");
    writeDop(out, state.dop);
    key(out, "motion");
    writeMotion(out, state.motion);
    key(out, "magVar");
    writeMagVar(out, state.magVar);
    key(out, "satellites");
    writeSatellites(out, state.satellites);
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
    key(out, "statusText");
    writeJsonString(out, status);
    key(out, "ehe");
    writeJsonDouble(out, engine::estimatedHorizontalError(engine));
    int code = engine::MaskPassed;
    bool masked = engine::maskCode(engine, code);
    key(out, "masked");
    std::fputs(masked ? "true" : "false", out);
    key(out, "maskCode");
    std::fprintf(out, "%d", code);
    key(out, "maskText");
    writeJsonString(out, engine::maskReasonText(masked ? code : engine::MaskPassed));
}

// Runs inside the engine's feed with the engine lock held: refresh the state as the timer would,
// then print it.
void onSentence(void* context, dgps::SentenceKind kind, const char* sentence) {
    auto& replay = *static_cast<Replay*>(context);
    replay.engine.refreshLocked();
    writeSentenceObjectBody(replay.out, kind, sentence, replay.engine.state);
    if (replay.withMasks) writeStatusAndMasks(replay.out, replay.engine);
    std::fputs("}\n", replay.out);
}

struct NmeaOptions {
    const char* path = nullptr;
    const char* ini = nullptr;
};

bool parseOptions(int argc, char** argv, NmeaOptions& options) {
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--ini") == 0) {
            if (i + 1 >= argc) {
                usageError("nmea: --ini needs a file");
                return false;
            }
            options.ini = argv[++i];
            continue;
        }
        if (arg[0] == '-' && arg[1] != '\0') {
            usageError("nmea: unknown option '%s'", arg);
            return false;
        }
        if (options.path != nullptr) {
            usageError("nmea: more than one input file");
            return false;
        }
        options.path = arg;
    }
    return true;
}

// Takes the mask settings of a cv.ini, read as the program reads it, and sets the link flags of
// an open port; receiving the bytes marks the data as seen.
bool applyIni(const char* path, engine::GpsEngine& engine) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        usageError("nmea: cannot read %s: %s", path, std::strerror(errno));
        return false;
    }
    std::string text;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, n);
    std::fclose(file);

    geodesy::DatumTable datums;
    std::string tables = tableDirectory(nullptr);
    datums.loadEllipsoids(tables.c_str());
    datums.loadDatums(tables.c_str());
    data::ConfigReadOptions options;
    options.createDataExchangeDirectory = false;
    data::applySettingsText(text, engine.settings, datums, engine.prompter(), options);
    engine.link.portOpen = 1;
    engine.link.commOk = 1;
    return true;
}

} // namespace

int cmdNmea(int argc, char** argv) {
    NmeaOptions options;
    if (!parseOptions(argc, argv, options)) return kExitUsage;
    std::FILE* in = openInput(options.path);
    if (in == nullptr) return kExitUsage;

    LineClock clock;
    platform::StderrPrompter prompter;
    engine::GpsEngine engine(clock, prompter);
    dgps::resetParser();
    if (options.ini != nullptr && !applyIni(options.ini, engine)) {
        closeInput(in);
        return kExitUsage;
    }
    Replay replay{engine, stdout, options.ini != nullptr};
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
    if (failed) return usageError("nmea: read error on %s", options.path ? options.path : "stdin");
    return 0;
}

} // namespace cvtool
