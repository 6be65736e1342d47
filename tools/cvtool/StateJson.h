#pragma once
// The GPS state as JSON, one writer for every command that prints it (nmea, watch), so their
// objects carry the same keys.

#include <cstddef>
#include <cstdio>

#include "engine/GpsState.h"
#include "platform/Clock.h"

namespace cvtool {

// A JSON string. Control characters, '"', '\\' and every byte outside printable ASCII are
// escaped, so a raw sentence with stray bytes still gives valid JSON.
void writeJsonString(std::FILE* out, const char* text, size_t length);
void writeJsonString(std::FILE* out, const char* text);
void writeJsonString(std::FILE* out, const char16_t* text);
// A one-character string; "" for the character 0.
void writeJsonChar(std::FILE* out, char c);
// 17 significant digits keep a double exact, 9 a float; NaN and infinity are null.
void writeJsonDouble(std::FILE* out, double v);
void writeJsonFloat(std::FILE* out, float v);
// {"year":..,"month":..,"dayOfWeek":..,"day":..,"hour":..,"minute":..,"second":..,
// "milliseconds":..}: the eight fields of a local time.
void writeJsonTime(std::FILE* out, const platform::SystemTime& t);
// "name": (with a leading comma unless first).
void jsonKey(std::FILE* out, const char* name, bool first = false);

// ,"position":{...},"dop":{...},"motion":{...},"magVar":{...},"satellites":[...] : the members
// of the state, each with its leading comma, for an object already opened.
void writeStateMembers(std::FILE* out, const engine::GpsState& state);

// ,"otherSatellites":[...] : the filled entries of the other constellations' table.
void writeOtherSatellites(std::FILE* out, const engine::GpsState& state);

} // namespace cvtool
