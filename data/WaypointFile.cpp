#include "data/WaypointFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>

#include "data/ConfigFile.h"
#include "data/WaypointRecord.h"
#include "data/WaypointViews.h"
#include "engine/GpsEngine.h"
#include "geodesy/DatumTable.h"
#include "geodesy/Offset.h"
#include "platform/FileReplace.h"
#include "platform/Prompter.h"
#include "platform/Utf.h"

namespace data {

namespace {

using engine::Waypoint;
using engine::WaypointStore;

// The header as the reader compares it: the text before the first '.'.
constexpr std::string_view kHeaderText =
    kWaypointFileHeader.substr(0, kWaypointFileHeader.find('.'));

[[gnu::format(printf, 2, 3)]] void appendf(std::string& out, const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        return;
    }
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
    } else { // a huge number printed with 16 decimals
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data() + at, static_cast<std::size_t>(n) + 1, format, again);
        out.resize(at + static_cast<std::size_t>(n));
    }
    va_end(again);
}

void appendRecord(std::string& out, const Waypoint& w, const geodesy::DatumTable& table,
                  const char* datumCode) {
    geodesy::OffsetPosition final{w.latitude, w.longitude, w.altitude};
    if (w.offsetOn)
        final = geodesy::applyOffset(table, datumCode, final, w.offsetDistance, w.offsetSlope,
                                     w.offsetDirection);
    const std::string name = platform::toUtf8(w.name);
    appendf(out, "%u/%u/%u,", unsigned(w.time.wYear), unsigned(w.time.wMonth),
            unsigned(w.time.wDay));
    appendf(out, "%2d:%2d:%2d,", int(w.time.wHour), int(w.time.wMinute), int(w.time.wSecond));
    appendf(out, "%d,%s,%.16Lf,%.16Lf,%.16Lf,", int(w.number), name.c_str(),
            static_cast<long double>(final.latitude), static_cast<long double>(final.longitude),
            static_cast<long double>(final.altitude));
    appendf(out, "%f,%f,%d,%f,", double(w.pdop), double(w.ehe), int(w.positionCount),
            double(w.offsetSlope));
    appendf(out, "%f,%d,%f,%f,%.16Lf,%.16Lf,%.16Lf\n", double(w.offsetDirection),
            int(w.directionRef), double(w.declination), double(w.offsetDistance),
            static_cast<long double>(w.latitude), static_cast<long double>(w.longitude),
            static_cast<long double>(w.altitude));
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// A name longer than the reader's field is cut to it (at a character boundary), so the record is
// still read; the name is cut to the record's field afterwards anyway.
std::string cutLongName(const char* text) {
    int number = 0;
    int start = -1;
    if (std::sscanf(text, "%d,%n", &number, &start) < 1 || start < 0) return text;
    const char* name = text + start;
    const char* comma = std::strchr(name, ',');
    const std::size_t length = comma ? std::size_t(comma - name) : std::strlen(name);
    if (length <= kRecordNameBytes) return text;
    std::size_t keep = kRecordNameBytes;
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    return std::string(text, name + keep) + (comma ? comma : "");
}

// Reads one record line into the store. False when nothing could be read from it: reading ends.
bool readRecordLine(const std::string& line, WaypointStore& store) {
    const char* p = line.c_str();
    unsigned year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    int used = -1;
    if (std::sscanf(p, " %u/%u/%u,%n", &year, &month, &day, &used) == 3 && used >= 0)
        p += used;
    else
        year = month = day = 0;
    used = -1;
    if (std::sscanf(p, " %2d:%2d:%2d,%n", &hour, &minute, &second, &used) == 3 && used >= 0)
        p += used;
    else
        hour = minute = second = 0;

    // Only a time of day is kept: the writer's "%2d" must give the reader two digits back.
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        hour = minute = second = 0;

    const std::string rest = cutLongName(p);
    WaypointRecordFields f;
    const int converted = scanWaypointRecord(rest.c_str(), f);
    if (converted <= 0) return false;
    if (converted < 14 || f.number < 1 || f.number > WaypointStore::kSlots || !store.hasRoom())
        return true;
    // A line cut short after the measured latitude: the final position stands in for the rest
    // (the two are the same when no offset was taken).
    if (converted < 15) f.longitude = f.finalLongitude;
    if (converted < 16) f.altitude = f.finalAltitude;

    const int slot = store.append();
    Waypoint& w = store.at(slot);
    w.number = static_cast<int16_t>(f.number);
    char16_t name[kRecordNameBytes + 1];
    std::size_t units = platform::fromUtf8(f.name, name, std::size(name));
    // One trailing blank goes, but never the whole name: a record with an empty name could not
    // be read again.
    if (units > 1 && name[units - 1] == u' ') --units;
    setWaypointName(w, std::u16string_view(name, units));
    w.time.wYear = static_cast<uint16_t>(year);
    w.time.wMonth = static_cast<uint16_t>(month);
    w.time.wDay = static_cast<uint16_t>(day);
    w.time.wHour = static_cast<uint16_t>(hour);
    w.time.wMinute = static_cast<uint16_t>(minute);
    w.time.wSecond = static_cast<uint16_t>(second);
    w.latitude = static_cast<double>(f.latitude);
    w.longitude = static_cast<double>(f.longitude);
    w.altitude = static_cast<double>(f.altitude);
    w.pdop = f.pdop;
    w.ehe = f.ehe;
    w.positionCount = f.positionCount;
    w.offsetSlope = f.offsetSlope;
    w.offsetDirection = f.offsetDirection;
    w.directionRef = static_cast<int16_t>(f.directionRef);
    w.declination = f.declination;
    w.offsetDistance = f.offsetDistance;
    w.offsetOn = std::fabs(f.offsetDistance) >= 1e-8f ? 1 : 0;
    return true;
}

std::string openFilePath(const engine::Settings& s) {
    return std::string(s.WaypointPath) + s.WaypointFilename;
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

void setWaypointName(Waypoint& waypoint, std::u16string_view name) {
    std::size_t n = std::min(name.size(), engine::kWaypointNameCapacity - 1);
    // Do not keep the first half of a surrogate pair whose second half was cut off.
    if (n > 0 && n < name.size() && name[n - 1] >= 0xD800 && name[n - 1] <= 0xDBFF) --n;
    for (std::size_t i = 0; i < n; ++i) {
        char16_t c = name[i];
        if (c == u',')
            c = u';';
        else if (c < 0x20 || c == 0x7F)
            c = u' ';
        waypoint.name[i] = c;
    }
    waypoint.name[n] = 0;
}

std::string renderWaypointFile(const WaypointStore& store, const geodesy::DatumTable& table,
                               const char* datumCode) {
    std::string out(kWaypointFileHeader);
    store.forEach([&](int, const Waypoint& w) { appendRecord(out, w, table, datumCode); });
    return out;
}

bool writeWaypointFile(const std::string& path, const WaypointStore& store,
                       const geodesy::DatumTable& table, const char* datumCode,
                       std::string* reason) {
    return platform::replaceFile(path, renderWaypointFile(store, table, datumCode), {}, reason);
}

bool writeWaypointFile(engine::GpsEngine& engine) {
    std::lock_guard<std::mutex> hold(engine.lock());
    const engine::Settings& s = engine.settings;
    if (s.WaypointFilename[0] == '\0') return false;
    return writeWaypointFile(openFilePath(s), engine.waypoints, geodesy::datumTable(), s.Datum);
}

bool readWaypointText(std::string_view text, WaypointStore& store) {
    store.reset();
    const std::size_t dot = text.find('.');
    if (text.substr(0, dot) != kHeaderText) return false;
    std::size_t pos = dot == std::string_view::npos ? text.size() : dot + 1;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        // Blank lines are passed over, as the scan of the next record would skip them.
        bool blank = true;
        for (char c : line)
            blank = blank && isBlank(c);
        if (blank) continue;
        if (!readRecordLine(std::string(line), store)) break;
    }
    return true;
}

bool readWaypointFile(const std::string& path, WaypointStore& store, std::string* reason) {
    store.reset();
    auto fail = [&](const std::string& why) {
        if (reason) *reason = path + ": " + why;
        return false;
    };
    // Without waiting: a FIFO in the file's place is refused below instead of hanging.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(std::strerror(errno));
    std::string text;
    struct stat st {};
    std::string why;
    if (::fstat(fd, &st) != 0)
        why = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        why = "not a regular file";
    else if (st.st_size > static_cast<off_t>(kMaxWaypointFileBytes))
        why = "larger than 4 MiB";
    char buffer[16384];
    while (why.empty()) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) why = std::strerror(errno);
        if (n <= 0) break;
        if (text.size() + static_cast<std::size_t>(n) > kMaxWaypointFileBytes)
            why = "larger than 4 MiB"; // it grew while being read
        else
            text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!why.empty()) return fail(why);
    if (!readWaypointText(text, store)) return fail("not a waypoint file (the first line differs)");
    return true;
}

bool readWaypointFile(engine::GpsEngine& engine) {
    std::lock_guard<std::mutex> hold(engine.lock());
    return readWaypointFile(openFilePath(engine.settings), engine.waypoints);
}

bool makeFileNameUnique(std::string& directory, std::string& name, platform::Prompter& prompter,
                        int limit) {
    if (directory.empty() && name.empty()) return false;
    if (name.empty()) return true;
    std::string_view message = kMsgFileExists;
    struct stat st {};
    std::string dir = directory;
    if (dir.empty() || ::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        char documents[engine::kPathCapacity];
        engine::documentsFolder(documents, sizeof documents);
        dir = documents;
        message = kMsgDirectoryMissing;
    } else if (!pathExists(dir + name)) {
        return true;
    }
    std::string stem = name;
    const std::size_t cut =
        name.find("_C") != std::string::npos ? name.rfind('_') : name.rfind('.');
    if (cut != std::string::npos) stem.erase(cut);
    stem += "_C";
    int n = 1;
    while (n < limit && pathExists(dir + stem + std::to_string(n) + ".txt"))
        ++n;
    if (n >= limit) return false; // every number is taken: never hand out an existing name
    directory = dir;
    name = stem + std::to_string(n) + ".txt";
    prompter.message(std::string(message) + directory + name);
    return true;
}

bool setWaypointFilePath(engine::GpsEngine& engine, const std::string& directory,
                         const std::string& name) {
    engine::Settings& s = engine.settings;
    if (directory.size() >= sizeof s.WaypointPath || name.size() >= sizeof s.WaypointFilename)
        return false;
    std::memcpy(s.WaypointPath, directory.c_str(), directory.size() + 1);
    std::memcpy(s.WaypointFilename, name.c_str(), name.size() + 1);
    platform::fromUtf8(name, engine.waypoints.fileName, std::size(engine.waypoints.fileName));
    return true;
}

bool saveWaypointsToChosenFile(engine::GpsEngine& engine, bool* cancelled) {
    platform::Prompter& prompter = engine.prompter();
    if (cancelled) *cancelled = false;
    auto chosen = prompter.saveFileName(kWaypointDialogTitle, engine.settings.WaypointPath,
                                        kWaypointFileFilter);
    if (!chosen) {
        if (cancelled) *cancelled = true;
        return false;
    }
    const std::size_t slash = chosen->rfind('/');
    std::string directory = slash == std::string::npos ? "" : chosen->substr(0, slash + 1);
    std::string name = slash == std::string::npos ? *chosen : chosen->substr(slash + 1);
    if (!name.empty() && name.find('.') == std::string::npos) name += ".txt";
    bool ok = !name.empty() && makeFileNameUnique(directory, name, prompter) &&
              directory.size() < sizeof engine.settings.WaypointPath &&
              name.size() < sizeof engine.settings.WaypointFilename;
    if (ok) {
        std::lock_guard<std::mutex> hold(engine.lock());
        ok = writeWaypointFile(directory + name, engine.waypoints, geodesy::datumTable(),
                               engine.settings.Datum);
    }
    if (!ok) {
        prompter.message(kMsgErrorCreating);
        return false;
    }
    setWaypointFilePath(engine, directory, name);
    engine::WaypointStore& store = engine.waypoints;
    store.waypointFileOpen = true;
    store.waypointsModified = false;
    store.newWaypointsUnsaved = false;
    writeSettings(engine);
    return true;
}

void ensureWaypointFile(engine::GpsEngine& engine, WaypointViews* views) {
    engine::WaypointStore& store = engine.waypoints;
    if (store.waypointFileOpen) {
        if (writeWaypointFile(engine)) {
            store.waypointsModified = false;
            store.newWaypointsUnsaved = false;
        } else {
            // The waypoints stay in memory and marked as changed, so the next change or the exit
            // offers to save them again.
            engine.prompter().message(kMsgErrorCreating);
        }
    }
    if (store.newWaypointsUnsaved) {
        engine.prompter().message(kMsgNoWaypointFile);
        if (saveWaypointsToChosenFile(engine) && views) views->reloadWaypointLists();
    }
}

} // namespace data
