#include "StateJson.h"

#include <cmath>
#include <cstring>

namespace cvtool {

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

void writeJsonTime(std::FILE* out, const platform::SystemTime& t) {
    std::fprintf(out,
                 "{\"year\":%u,\"month\":%u,\"dayOfWeek\":%u,\"day\":%u,\"hour\":%u,\"minute\":%u,"
                 "\"second\":%u,\"milliseconds\":%u}",
                 t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond,
                 t.wMilliseconds);
}

void jsonKey(std::FILE* out, const char* name, bool first) {
    std::fprintf(out, first ? "\"%s\":" : ",\"%s\":", name);
}

namespace {

void writePosition(std::FILE* out, const engine::PositionRecord& p) {
    std::fputc('{', out);
    jsonKey(out, "ggaTick", true);
    std::fprintf(out, "%u", p.ggaTick);
    jsonKey(out, "latitude");
    writeJsonDouble(out, p.latitude);
    jsonKey(out, "longitude");
    writeJsonDouble(out, p.longitude);
    jsonKey(out, "altitude");
    writeJsonDouble(out, p.altitude);
    jsonKey(out, "altitudeUnit");
    writeJsonChar(out, p.altitudeUnit);
    jsonKey(out, "utcHour");
    std::fprintf(out, "%u", p.utcHour);
    jsonKey(out, "utcMinute");
    std::fprintf(out, "%u", p.utcMinute);
    jsonKey(out, "utcSecond");
    std::fprintf(out, "%u", p.utcSecond);
    jsonKey(out, "quality");
    std::fprintf(out, "%d", p.quality);
    jsonKey(out, "satellitesUsed");
    std::fprintf(out, "%d", p.satellitesUsed);
    jsonKey(out, "hdop");
    writeJsonFloat(out, p.hdop);
    jsonKey(out, "geoidSeparation");
    writeJsonFloat(out, p.geoidSeparation);
    jsonKey(out, "geoidUnit");
    writeJsonChar(out, p.geoidUnit);
    jsonKey(out, "diffAge");
    writeJsonFloat(out, p.diffAge);
    jsonKey(out, "fixText");
    writeJsonString(out, p.fixText);
    std::fputc('}', out);
}

void writeDop(std::FILE* out, const engine::DopRecord& d) {
    std::fputc('{', out);
    jsonKey(out, "gsaTick", true);
    std::fprintf(out, "%u", d.gsaTick);
    jsonKey(out, "gsaSelection");
    std::fprintf(out, "%u", d.gsaSelection);
    jsonKey(out, "fixMode");
    std::fprintf(out, "%u", d.fixMode);
    jsonKey(out, "satellitesInView");
    std::fprintf(out, "%u", d.satellitesInView);
    jsonKey(out, "usedSlots");
    for (int i = 0; i < engine::kUsedSlotsCapacity; ++i)
        std::fprintf(out, "%c%u", i == 0 ? '[' : ',', d.usedSlots[i]);
    std::fputc(']', out);
    jsonKey(out, "pdop");
    writeJsonFloat(out, d.pdop);
    jsonKey(out, "gsaHdop");
    writeJsonFloat(out, d.gsaHdop);
    jsonKey(out, "vdop");
    writeJsonFloat(out, d.vdop);
    std::fputc('}', out);
}

void writeMotion(std::FILE* out, const engine::MotionRecord& m) {
    std::fputc('{', out);
    jsonKey(out, "motionTick", true);
    std::fprintf(out, "%u", m.motionTick);
    jsonKey(out, "trackTrue");
    writeJsonFloat(out, m.trackTrue);
    jsonKey(out, "trackMagnetic");
    writeJsonFloat(out, m.trackMagnetic);
    jsonKey(out, "speed");
    writeJsonFloat(out, m.speed);
    jsonKey(out, "speedUnit");
    writeJsonChar(out, m.speedUnit);
    std::fputc('}', out);
}

void writeMagVar(std::FILE* out, const engine::MagVarRecord& v) {
    std::fputc('{', out);
    jsonKey(out, "magVarDir", true);
    writeJsonChar(out, v.magVarDir);
    jsonKey(out, "magVar");
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

} // namespace

void writeOtherSatellites(std::FILE* out, const engine::GpsState& state) {
    jsonKey(out, "otherSatellites");
    std::fputc('[', out);
    bool first = true;
    for (const engine::OtherSatellite& s : state.otherSatellites) {
        if (s.system == 0) continue;
        std::fprintf(out,
                     "%s{\"system\":\"%c\",\"prn\":%d,\"azimuth\":%d,\"elevation\":%d,"
                     "\"snr\":%d,\"used\":%d,\"inView\":%d,\"lastSeenTick\":%u}",
                     first ? "" : ",", s.system, s.prn, s.azimuth, s.elevation, s.snr, s.used,
                     s.inView, s.lastSeenTick);
        first = false;
    }
    std::fputc(']', out);
}

void writeStateMembers(std::FILE* out, const engine::GpsState& state) {
    jsonKey(out, "position");
    writePosition(out, state.position);
    jsonKey(out, "dop");
    writeDop(out, state.dop);
    jsonKey(out, "motion");
    writeMotion(out, state.motion);
    jsonKey(out, "magVar");
    writeMagVar(out, state.magVar);
    jsonKey(out, "satellites");
    writeSatellites(out, state.satellites);
}

} // namespace cvtool
