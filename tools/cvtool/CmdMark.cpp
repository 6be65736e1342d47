// cvtool mark: marks a point from a replayed NMEA stream with the program's own mark logic, as
// the "Mark Point" dialog would, and prints the final mark state as one JSON object.

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "CliSupport.h"
#include "Commands.h"
#include "StateJson.h"
#include "ToolStartup.h"
#include "data/ConfigFile.h"
#include "data/MarkController.h"
#include "data/MarkView.h"
#include "data/OffsetInput.h"
#include "data/WaypointFile.h"
#include "engine/Dgps.h"
#include "engine/GpsEngine.h"
#include "geodesy/DatumTable.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

namespace cvtool {
namespace {

constexpr uint32_t kGgaIntervalMs = 1000;

constexpr const char* kHelp =
    "usage: cvtool mark --ini FILE [--average N] [--offset DIST,DIR,SLOPE] [--export DIR]\n"
    "                   [--store WPTFILE] [--name NAME] NMEAFILE|-\n"
    "\n"
    "Marks a point as the Mark Point dialog does, from an NMEA stream replayed through the\n"
    "engine (NMEAFILE, or stdin for '-'). The dialog opens before the first sentence; after\n"
    "each line that held a GGA sentence the state is refreshed and the dialog's update step\n"
    "runs, and the clock moves on by 1000 ms. The mark's time is the GGA's UTC time of day on\n"
    "2000-01-01. At the end the final mark state is printed as one JSON object: storeAllowed,\n"
    "averaging, positionReady, storeRequested, exportRequested, exported, fixCount,\n"
    "skipCount, remaining, lastTick, sumLatitude, sumLongitude, sumAltitude, sumPdop, sumEhe,\n"
    "measured and final (latitude, longitude, altitude), pdop, ehe, offsetDistance,\n"
    "offsetSlope, offsetDirection, offsetOn, directionRef, declination, markTime (year,\n"
    "month, dayOfWeek, day, hour, minute, second, milliseconds), and closed (the dialog\n"
    "closed after a store or an export). Messages go to stderr.\n"
    "\n"
    "  --ini FILE              the cv.ini whose settings apply (masks, averaging, units,\n"
    "                          datum, heading, DataExchange, EXPTWPT ...)\n"
    "  --average N             PointAveraging Yes with PointsAveraged N (1 or more)\n"
    "  --offset DIST,DIR,SLOPE an offset entered in Offset Input before the first fix, in the\n"
    "                          file's units (metres or feet) and heading reference\n"
    "  --export DIR            DataExchange Yes to DIR; Export is pressed at the start\n"
    "  --store WPTFILE         that waypoint file is open (read when it exists, else created);\n"
    "                          Store WPT is pressed at the start\n"
    "  --name NAME             typed into the name field\n"
    "With both --store and --export, Store WPT is pressed first and Export then withdraws it,\n"
    "as in the dialog: the point is also stored only when the cv.ini has EXPTWPT=Yes. With\n"
    "averaging and neither, Average is pressed at the start.\n"
    "\n"
    "Exit status: 0 when the point was taken; 1 when the stream ended before it was; 2 for bad\n"
    "usage, an unreadable cv.ini, waypoint file or input.\n";

// The dialog as the command line has it: the name field, and the offset given once.
class CliMarkView final : public data::ScreenlessMarkView {
public:
    bool askOffset(data::OffsetInputValues& values) override {
        if (!offset_) return false;
        values.distance = offset_[0];
        values.direction = offset_[1];
        values.slope = offset_[2];
        offset_ = nullptr; // asked again only after a refusal: then cancelled
        return true;
    }
    void markClosed(bool) override { closed = true; }

    const double* offset_ = nullptr;
    bool closed = false;
};

bool parseOffset(const char* text, double out[3]) {
    char* end = nullptr;
    const char* p = text;
    for (int i = 0; i < 3; ++i) {
        errno = 0;
        out[i] = std::strtod(p, &end);
        if (end == p || errno != 0 || !std::isfinite(out[i])) return false;
        if (i < 2 && *end++ != ',') return false;
        p = end;
    }
    return *end == '\0';
}

std::string withSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

bool copyPath(char* field, const std::string& value) {
    if (value.size() >= static_cast<size_t>(engine::kPathCapacity)) return false;
    std::memcpy(field, value.c_str(), value.size() + 1);
    return true;
}

void writePosition(std::FILE* out, const char* name, const data::MarkPosition& p) {
    jsonKey(out, name);
    std::fputc('{', out);
    jsonKey(out, "latitude", true);
    writeJsonDouble(out, p.latitude);
    jsonKey(out, "longitude");
    writeJsonDouble(out, p.longitude);
    jsonKey(out, "altitude");
    writeJsonDouble(out, p.altitude);
    std::fputc('}', out);
}

void writeState(std::FILE* out, const data::MarkState& s, bool closed) {
    auto flag = [out](const char* name, bool v, bool first = false) {
        jsonKey(out, name, first);
        std::fputs(v ? "true" : "false", out);
    };
    auto number = [out](const char* name, double v) {
        jsonKey(out, name);
        writeJsonDouble(out, v);
    };
    std::fputc('{', out);
    flag("storeAllowed", s.storeAllowed, true);
    flag("averaging", s.averaging);
    flag("positionReady", s.positionReady);
    flag("storeRequested", s.storeRequested);
    flag("exportRequested", s.exportRequested);
    flag("exported", s.exported);
    number("fixCount", s.fixCount);
    number("skipCount", s.skipCount);
    number("remaining", s.remaining);
    number("lastTick", s.lastTick);
    number("sumLatitude", s.sumLatitude);
    number("sumLongitude", s.sumLongitude);
    number("sumAltitude", s.sumAltitude);
    number("sumPdop", s.sumPdop);
    number("sumEhe", s.sumEhe);
    writePosition(out, "measured", s.measured);
    writePosition(out, "final", s.final);
    number("pdop", s.pdop);
    number("ehe", s.ehe);
    number("offsetDistance", s.offsetDistance);
    number("offsetSlope", s.offsetSlope);
    number("offsetDirection", s.offsetDirection);
    flag("offsetOn", s.offsetOn);
    number("directionRef", s.directionRef);
    jsonKey(out, "declination");
    writeJsonFloat(out, s.declination);
    jsonKey(out, "markTime");
    writeJsonTime(out, s.markTime);
    flag("closed", closed);
    std::fputs("}\n", out);
}

// Notes a decoded GGA sentence; runs inside the engine's feed with the engine lock held.
void onSentence(void* context, dgps::SentenceKind kind, const char*) {
    if (kind == dgps::SentenceKind::Gga) *static_cast<bool*>(context) = true;
}

struct Options {
    const char* ini = nullptr;
    std::optional<long> average;
    std::optional<std::string> offset, exportDir, store, name;
    double offsetValues[3] = {};
};

int configure(const Options& o, engine::GpsEngine& engine) {
    if (!readToolSettings("mark", o.ini, engine.settings, engine.prompter())) return kExitUsage;
    engine::Settings& s = engine.settings;
    if (o.average) {
        s.PointAveraging = 1;
        s.PointsAveraged = static_cast<int32_t>(*o.average);
    }
    if (o.exportDir) {
        s.DataExchange = 1;
        if (!copyPath(s.DataExchangePath, withSlash(*o.exportDir)))
            return usageError("mark: the folder name is too long");
    }
    if (o.store) {
        const std::filesystem::path path(*o.store);
        const std::string dir =
            withSlash(path.has_parent_path() ? path.parent_path().string() : ".");
        const std::string name = path.filename().string();
        if (name.empty() || !data::setWaypointFilePath(engine, dir, name))
            return usageError("mark: bad waypoint file name %s", o.store->c_str());
        std::string reason;
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) {
            if (!data::readWaypointFile(dir + name, engine.waypoints, &reason))
                return usageError("mark: cannot read the waypoint file: %s", reason.c_str());
        } else if (!data::writeWaypointFile(dir + name, engine.waypoints, geodesy::datumTable(),
                                            s.Datum, &reason)) {
            return usageError("mark: cannot create the waypoint file: %s", reason.c_str());
        }
        engine.waypoints.waypointFileOpen = true;
    }
    engine.link.portOpen = 1;
    engine.link.commOk = 1;
    return kExitOk;
}

} // namespace

int cmdMark(int argc, char** argv) {
    Options o;
    std::vector<const char*> operands;
    auto handle = [&](std::string_view name, const char* value) -> int {
        if (name == "ini") o.ini = value;
        if (name == "export") o.exportDir = value;
        if (name == "store") o.store = value;
        if (name == "name") o.name = value;
        if (name == "average") {
            char* end = nullptr;
            errno = 0;
            const long n = std::strtol(value, &end, 10);
            if (end == value || *end != '\0' || errno != 0 || n < 1 || n > 1000000)
                return usageError("mark: --average needs a number from 1 to 1000000");
            o.average = n;
        }
        if (name == "offset") {
            if (!parseOffset(value, o.offsetValues))
                return usageError("mark: --offset needs DIST,DIR,SLOPE");
            o.offset = value;
        }
        return kExitOk;
    };
    if (auto s = parseArguments("mark", kHelp, argc, argv,
                                {{"ini", true},
                                 {"average", true},
                                 {"offset", true},
                                 {"export", true},
                                 {"store", true},
                                 {"name", true}},
                                handle, operands))
        return *s;
    if (o.ini == nullptr) return usageError("mark: --ini FILE is needed");
    if (operands.size() != 1) return usageError("mark: one NMEA file (or '-') is needed");
    if (o.offset) {
        data::OffsetInputValues v;
        v.distance = o.offsetValues[0];
        v.direction = o.offsetValues[1];
        v.slope = o.offsetValues[2];
        const std::string refusal = data::offsetInputRefusal(v);
        if (!refusal.empty()) return usageError("mark: --offset: %s", refusal.c_str());
    }

    platform::ManualClock clock;
    clock.setLocalTime({2000, 1, 6, 1, 0, 0, 0, 0});
    platform::StderrPrompter prompter;
    engine::GpsEngine engine(clock, prompter);
    dgps::resetParser();
    if (int status = configure(o, engine); status != kExitOk) return status;
    const char* path = std::strcmp(operands[0], "-") == 0 ? nullptr : operands[0];
    std::FILE* in = openInput(path);
    if (in == nullptr) return kExitUsage;

    CliMarkView view;
    data::MarkController mark(engine, view, nullptr);
    mark.open(engine.waypoints.hasRoom());
    if (o.name) {
        std::u16string name(o.name->size() + 1, u'\0');
        name.resize(platform::fromUtf8(*o.name, name.data(), name.size()));
        view.setName(name);
        mark.nameEdited(name);
    }
    if (o.offset) {
        view.offset_ = o.offsetValues;
        mark.pressOffset();
    }
    if (o.store) mark.pressStore();
    if (o.exportDir) mark.pressExport();
    if (!o.store && !o.exportDir && engine.settings.PointAveraging != 0) mark.pressAverage();

    bool gga = false;
    dgps::setSentenceObserver(onSentence, &gga);
    char line[kMaxInputLine];
    while (mark.isOpen() && std::fgets(line, sizeof line, in) != nullptr) {
        gga = false;
        engine.receiveBytes(reinterpret_cast<const uint8_t*>(line), std::strlen(line));
        if (!gga) continue;
        {
            std::lock_guard<std::mutex> lock(engine.lock());
            engine.refreshLocked();
            const engine::PositionRecord& p = engine.state.position;
            clock.setLocalTime({2000, 1, 6, 1, p.utcHour, p.utcMinute, p.utcSecond, 0});
        }
        mark.update();
        clock.advance(kGgaIntervalMs);
    }
    const bool readError = std::ferror(in) != 0;
    dgps::setSentenceObserver(nullptr, nullptr);
    closeInput(in);
    if (readError) return usageError("mark: read error on %s", path ? path : "stdin");
    writeState(stdout, mark.state(), view.closed);
    return mark.state().positionReady ? kExitOk : kExitBadData;
}

} // namespace cvtool
