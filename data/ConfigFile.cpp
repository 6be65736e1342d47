#include "data/ConfigFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "engine/GpsEngine.h"
#include "geodesy/DatumTable.h"
#include "platform/FileReplace.h"
#include "platform/Prompter.h"
#include "platform/Registry.h"

namespace data {

namespace {

using engine::Settings;

// ---------------------------------------------------------------------------------------------
// Text helpers

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view skipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return text.substr(i);
}

// Copies text into a fixed field, NUL-terminated; false (field untouched) when it does not fit.
bool storeText(std::string_view text, char* field, std::size_t capacity) {
    if (text.size() >= capacity) return false;
    std::memcpy(field, text.data(), text.size());
    field[text.size()] = '\0';
    return true;
}

// The leading integer of text after blanks, with its optional sign, and where it ended; nothing
// when there is none or it does not fit 32 bits.
std::optional<int32_t> leadingInteger(std::string_view text, std::size_t* end = nullptr) {
    std::string_view s = skipBlanks(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    uint32_t magnitude = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude);
    if (ec != std::errc{}) return std::nullopt;
    int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    if (end != nullptr) *end = static_cast<std::size_t>(ptr - text.data());
    return static_cast<int32_t>(value);
}

int32_t leadingIntegerOrZero(std::string_view text) {
    return leadingInteger(text).value_or(0);
}

// The leading decimal number of text, 0.0 when there is none or it is not a finite float.
float leadingDecimal(std::string_view text) {
    std::string_view s = skipBlanks(text);
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    float value = 0.0f;
    auto [ptr, ec] =
        std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    (void)ptr;
    if (ec != std::errc{} || !std::isfinite(value)) return 0.0f;
    return value;
}

void appendFixed(std::string& out, float value, int decimals) {
    char buffer[64];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                   std::chars_format::fixed, decimals);
    if (ec != std::errc{}) {
        out += "0";
        return;
    }
    out.append(buffer, ptr);
}

void appendInt(std::string& out, long value) {
    char buffer[24];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;
    out.append(buffer, ptr);
}

// ---------------------------------------------------------------------------------------------
// Paths

bool endsWithSlash(std::string_view s) {
    return !s.empty() && s.back() == '/';
}

// A directory value of the file: translated, absolute, ending in '/'; nothing when it is not
// usable or does not fit a path field.
std::optional<std::string> directoryValue(std::string_view value) {
    char translated[engine::kPathCapacity];
    if (!translateDevicePath(value, translated, sizeof translated)) return std::nullopt;
    std::string dir(translated);
    if (dir.empty() || dir[0] != '/') return std::nullopt;
    if (!endsWithSlash(dir)) dir.push_back('/');
    if (dir.size() >= static_cast<std::size_t>(engine::kPathCapacity)) return std::nullopt;
    return dir;
}

// Position just after the last '/' when the last part of path names a file: it holds a '.' and
// is not an existing directory (folders such as ".corvane" or "v1.2" are common here).
std::optional<std::size_t> fileNameStart(std::string_view path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return std::nullopt;
    std::string_view tail = path.substr(slash + 1);
    if (tail.find('.') == std::string_view::npos) return std::nullopt;
    struct stat st {};
    if (::stat(std::string(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return std::nullopt;
    return slash + 1;
}

// ---------------------------------------------------------------------------------------------
// Reader

struct ReadContext {
    Settings& s;
    const geodesy::DatumTable& datums;
    platform::Prompter& prompter;
    const ConfigReadOptions& options;
};

using Apply = void (*)(ReadContext&, std::string_view value);

struct KeyRule {
    const char* key;
    Apply apply;
    bool pathValue; // may be as long as a path field
};

bool yes(std::string_view v) {
    return equalsNoCase(v, "Yes");
}

char digitFrom(std::string_view v, const char* const* names, int count, char fallback,
               bool caseSensitive) {
    for (int i = 0; i < count; ++i)
        if (caseSensitive ? v == names[i] : equalsNoCase(v, names[i]))
            return static_cast<char>('0' + i);
    return fallback;
}

constexpr const char* kBaudRates[] = {"300",   "1200",  "2400",  "4800",  "9600",
                                      "14400", "19200", "38400", "57600", "115200"};
constexpr const char* kParities[] = {"none", "odd", "even", "mark", "space"};
constexpr const char* kUnits[] = {"Statute", "Metric", "Nautical", "Feet", "Meters"};

void applyGpsPort(ReadContext& c, std::string_view v) {
    const char16_t* port = u"COM1:";
    char16_t chosen[engine::kPortNameCapacity] = u"COM1:";
    if (v.size() == 5 && v.substr(0, 3) == "COM" && v[3] >= '1' && v[3] <= '9' && v[4] == ':') {
        chosen[3] = static_cast<char16_t>(v[3]);
        port = chosen;
    }
    for (int i = 0; i < engine::kPortNameCapacity; ++i)
        c.s.GPSPort[i] = port[i];
}

void applyDatum(ReadContext& c, std::string_view v) {
    int index = 0;
    bool found =
        storeText(v, c.s.Datum, sizeof c.s.Datum) && c.datums.findDatum(c.s.Datum, index) == 0;
    if (!found) {
        storeText("WGE", c.s.Datum, sizeof c.s.Datum);
        c.prompter.message(kMsgDatumNotDefined);
    }
}

void applyWaypointPath(ReadContext& c, std::string_view v) {
    char translated[engine::kPathCapacity];
    if (!translateDevicePath(v, translated, sizeof translated) || translated[0] != '/') return;
    std::string_view path(translated);
    if (auto start = fileNameStart(path)) {
        storeText(path.substr(*start), c.s.WaypointFilename, sizeof c.s.WaypointFilename);
        storeText(path.substr(0, *start), c.s.WaypointPath, sizeof c.s.WaypointPath);
        return;
    }
    if (auto dir = directoryValue(v)) storeText(*dir, c.s.WaypointPath, sizeof c.s.WaypointPath);
}

void applyWaypointFilename(ReadContext& c, std::string_view v) {
    if (!v.empty()) storeText(v, c.s.WaypointFilename, sizeof c.s.WaypointFilename);
}

void applyDataExchangePath(ReadContext& c, std::string_view v) {
    auto dir = directoryValue(v);
    if (!dir) return;
    storeText(*dir, c.s.DataExchangePath, sizeof c.s.DataExchangePath);
    // An existing directory, or one that cannot be made, is dealt with when the file is written.
    if (c.options.createDataExchangeDirectory) ::mkdir(c.s.DataExchangePath, 0777);
}

void applyKeyWedge(ReadContext& c, std::string_view v) {
    engine::KeyWedgeList& list = c.s.KEYWEDGE;
    int32_t count = leadingIntegerOrZero(v);
    list.hasDataItem = 0;
    std::size_t comma = v.find(',');
    if (count <= 0 || comma == std::string_view::npos) {
        list.count = 0;
        return;
    }
    int wanted = count < engine::kKeyWedgeCapacity ? count : engine::kKeyWedgeCapacity;
    std::string_view rest = v.substr(comma + 1);
    int read = 0;
    while (read < wanted) {
        std::size_t end = 0;
        auto item = leadingInteger(rest, &end);
        if (!item) break;
        uint8_t code = static_cast<uint8_t>(*item & 0xFF);
        list.items[read++] = code;
        for (uint8_t dataItem : engine::kKeyWedgeDataItems)
            if (code == dataItem) list.hasDataItem = 1;
        rest = rest.substr(end);
        // Items are separated by blanks; anything else ends the list.
        if (!rest.empty() && !isBlank(rest[0])) break;
    }
    // The count never claims more items than were read; a list without data is dropped.
    list.count = list.hasDataItem ? static_cast<uint16_t>(read) : 0;
}

// Keys compared case-insensitively as a whole. Keys beginning with 'F' and 'U' are handled
// before this table (any such key sets Format or Units).
constexpr KeyRule kKeyRules[] = {
    {"AudibleFixes", [](ReadContext& c, std::string_view v) { c.s.AudibleFixes = yes(v); }, false},
    {"AltitudeRef",
     [](ReadContext& c, std::string_view v) { c.s.AltitudeRef = v == "MSL" ? 'M' : 'H'; }, false},
    {"BTENBL", [](ReadContext& c, std::string_view v) { c.s.BTENBL = yes(v); }, false},
    {"Datum", applyDatum, false},
    {"DataExchange",
     [](ReadContext& c, std::string_view v) { c.s.DataExchange = !v.empty() && v[0] == 'Y'; },
     false},
    {"DataExchangePath", applyDataExchangePath, true},
    {"EXPTWPT", [](ReadContext& c, std::string_view v) { c.s.EXPTWPT = v == "Yes"; }, false},
    {"GPSPort", applyGpsPort, false},
    {"GPSBaud",
     [](ReadContext& c, std::string_view v) {
         c.s.GPSBaudExtended = '0';
         c.s.GPSBaud = digitFrom(v, kBaudRates, 10, '4', true);
     },
     false},
    {"GPSParity",
     [](ReadContext& c, std::string_view v) {
         c.s.GPSParity = digitFrom(v, kParities, 5, '0', false);
     },
     false},
    {"GPSDatabits",
     [](ReadContext& c, std::string_view v) { c.s.GPSDatabits = v == "7" ? '7' : '8'; }, false},
    {"GPSStopBits",
     [](ReadContext& c, std::string_view v) {
         c.s.GPSStopBits = v == "1.5" ? '1' : v == "2" ? '2' : '0';
     },
     false},
    {"GPSDTR", [](ReadContext& c, std::string_view v) { c.s.GPSDTR = yes(v) ? '1' : '0'; }, false},
    {"GPSRTS", [](ReadContext& c, std::string_view v) { c.s.GPSRTS = yes(v) ? '1' : '0'; }, false},
    {"Heading",
     [](ReadContext& c, std::string_view v) {
         c.s.Heading = equalsNoCase(v, "Automag")     ? 'A'
                       : equalsNoCase(v, "ManualMag") ? 'M'
                       : equalsNoCase(v, "WMM 2K")    ? 'W'
                                                      : 'T';
     },
     false},
    {"HeadingUserDecl",
     [](ReadContext& c, std::string_view v) { c.s.HeadingUserDecl = leadingDecimal(v); }, false},
    {"InsertEnabled", [](ReadContext& c, std::string_view v) { c.s.InsertEnabled = v == "Yes"; },
     false},
    {"KWDG", [](ReadContext& c, std::string_view v) { c.s.KWDG = yes(v); }, false},
    {"KWDGKey", [](ReadContext& c, std::string_view v) { c.s.KWDGKey = leadingIntegerOrZero(v); },
     false},
    {"KWDGKeyF", [](ReadContext& c, std::string_view v) { c.s.KWDGKeyF = leadingIntegerOrZero(v); },
     false},
    {"KEYWEDGE", applyKeyWedge, false},
    {"K_RAW", [](ReadContext& c, std::string_view v) { c.s.K_RAW = yes(v); }, false},
    {"K_INTERNAL",
     [](ReadContext& c, std::string_view v) { c.s.K_INTERNAL = yes(v) && !c.s.K_RAW; }, false},
    {"K_INTKEY",
     [](ReadContext& c, std::string_view v) { c.s.K_INTKEY = leadingIntegerOrZero(v) & 0xFF; },
     false},
    {"MemExchange", [](ReadContext& c, std::string_view v) { c.s.MemExchange = yes(v); }, false},
    {"MarkKey", [](ReadContext& c, std::string_view v) { c.s.MarkKey = leadingIntegerOrZero(v); },
     false},
    {"MarkKeyF", [](ReadContext& c, std::string_view v) { c.s.MarkKeyF = leadingIntegerOrZero(v); },
     false},
    {"MaskEHE", [](ReadContext& c, std::string_view v) { c.s.MaskEHE = yes(v); }, false},
    {"MaxEHE", [](ReadContext& c, std::string_view v) { c.s.MaxEHE = leadingDecimal(v); }, false},
    {"MaskElev", [](ReadContext& c, std::string_view v) { c.s.MaskElev = yes(v); }, false},
    {"MinElev", [](ReadContext& c, std::string_view v) { c.s.MinElev = leadingDecimal(v); }, false},
    {"MaskPDOP", [](ReadContext& c, std::string_view v) { c.s.MaskPDOP = yes(v); }, false},
    {"MaxPDOP", [](ReadContext& c, std::string_view v) { c.s.MaxPDOP = leadingDecimal(v); }, false},
    {"MaskSNR", [](ReadContext& c, std::string_view v) { c.s.MaskSNR = yes(v); }, false},
    {"MinSNR", [](ReadContext& c, std::string_view v) { c.s.MinSNR = leadingDecimal(v); }, false},
    {"MaskDGPS", [](ReadContext& c, std::string_view v) { c.s.MaskDGPS = yes(v); }, false},
    {"Mask3D", [](ReadContext& c, std::string_view v) { c.s.Mask3D = yes(v); }, false},
    {"Protected", [](ReadContext& c, std::string_view v) { c.s.Protected = yes(v); }, false},
    {"PointAveraging", [](ReadContext& c, std::string_view v) { c.s.PointAveraging = yes(v); },
     false},
    {"PointsAveraged",
     [](ReadContext& c, std::string_view v) { c.s.PointsAveraged = leadingIntegerOrZero(v); },
     false},
    {"ShowOtherSatellites",
     [](ReadContext& c, std::string_view v) { c.s.ShowOtherSatellites = yes(v); }, false},
    {"WaypointPath", applyWaypointPath, true},
    {"WaypointFilename", applyWaypointFilename, true},
};

void applyFormat(ReadContext& c, std::string_view v) {
    c.s.Format = equalsNoCase(v, "DMS")   ? 2
                 : equalsNoCase(v, "DM")  ? 1
                 : equalsNoCase(v, "UTM") ? 3
                                          : 0;
}

void applyUnits(ReadContext& c, std::string_view v) {
    c.s.Units = 0;
    for (int i = 0; i < 5; ++i)
        if (equalsNoCase(v, kUnits[i])) c.s.Units = i;
}

// One line of the file, split at its first '=': the value ends at a NUL, as it would in a C
// string, and trailing CRs belong to the line end.
void applyKeyValue(ReadContext& c, std::string_view key, std::string_view value) {
    if (key.empty() || key[0] < 'A' || key[0] > 'W' || key.size() > kMaxKeyLength) return;
    bool shortValue = value.size() <= kMaxValueLength;
    if (key[0] == 'F') {
        if (shortValue) applyFormat(c, value);
        return;
    }
    if (key[0] == 'U') {
        if (shortValue) applyUnits(c, value);
        return;
    }
    for (const KeyRule& rule : kKeyRules) {
        if (!equalsNoCase(key, rule.key)) continue;
        if (shortValue || rule.pathValue) rule.apply(c, value);
        return;
    }
}

// Longest value kept of a line: a path value may be as long as a path field after translation
// (a device prefix can get shorter); any longer value is of no use to any key.
constexpr std::size_t kMaxLineValue = engine::kPathCapacity + 16;

// Splits the file's bytes, fed in pieces of any size, into lines and applies each one after the
// first (the section header). Memory stays bounded whatever the input: a line whose key or value
// grows past the longest one any key takes is dropped at once and skipped to its end.
class LineReader {
public:
    explicit LineReader(ReadContext& context) : c_(context) {}

    void feed(std::string_view bytes) {
        for (char ch : bytes) {
            if (ch == '\n') {
                endLine();
            } else if (!header_ && !skip_) {
                take(ch);
            }
        }
    }
    // The last line needs no line end.
    void finish() { endLine(); }

private:
    void take(char ch) {
        if (!hasEquals_) {
            if (ch == '=') {
                hasEquals_ = true;
            } else if (key_.size() == kMaxKeyLength) {
                skip_ = true; // a longer key is no key
            } else {
                key_.push_back(ch);
            }
            return;
        }
        if (valueEnded_) return;
        if (ch == '\0') {
            valueEnded_ = true;
            return;
        }
        if (ch == '\r') {
            ++pendingCr_; // part of the value only when more follows
            return;
        }
        if (value_.size() + pendingCr_ + 1 > kMaxLineValue) {
            skip_ = true;
            return;
        }
        value_.append(pendingCr_, '\r');
        pendingCr_ = 0;
        value_.push_back(ch);
    }

    void endLine() {
        if (!header_ && !skip_ && hasEquals_) applyKeyValue(c_, key_, value_);
        header_ = skip_ = hasEquals_ = valueEnded_ = false;
        pendingCr_ = 0;
        key_.clear();
        value_.clear();
    }

    ReadContext& c_;
    bool header_ = true; // the first line is the section header and is not checked
    bool skip_ = false;
    bool hasEquals_ = false;
    bool valueEnded_ = false;
    std::size_t pendingCr_ = 0;
    std::string key_;
    std::string value_;
};

// ---------------------------------------------------------------------------------------------
// Writer

const char* yesNo(int32_t flag) {
    return flag ? "Yes" : "No";
}

void appendFlagLine(std::string& out, const char* key, int32_t flag) {
    out.append(key).append("=").append(yesNo(flag)).append("\n");
}

void appendIntLine(std::string& out, const char* key, long value) {
    out.append(key).append("=");
    appendInt(out, value);
    out.append("\n");
}

void appendFixedLine(std::string& out, const char* key, float value, int decimals) {
    out.append(key).append("=");
    appendFixed(out, value, decimals);
    out.append("\n");
}

const char* fromDigit(char code, const char* const* names, int count, const char* fallback) {
    int i = code - '0';
    return (i >= 0 && i < count) ? names[i] : fallback;
}

std::string narrowPort(const char16_t* port) {
    std::string out;
    for (int i = 0; i < engine::kPortNameCapacity && port[i] != u'\0'; ++i)
        out.push_back(port[i] < 0x80 ? static_cast<char>(port[i]) : '?');
    return out;
}

std::string_view fieldText(const char* field, std::size_t capacity) {
    return std::string_view(field, strnlen(field, capacity));
}

} // namespace

// ---------------------------------------------------------------------------------------------

bool translateDevicePath(std::string_view value, char* out, std::size_t capacity) {
    std::string result;
    if (!value.empty() && value[0] == '\\') {
        char folder[engine::kPathCapacity];
        std::string_view rest;
        if (startsWithNoCase(value, "\\My Documents\\") || equalsNoCase(value, "\\My Documents")) {
            engine::documentsFolder(folder, sizeof folder);
            rest = value.substr(value.size() > 14 ? 14 : value.size());
        } else if (startsWithNoCase(value, "\\C_Drive\\") || equalsNoCase(value, "\\C_Drive")) {
            engine::homeFolder(folder, sizeof folder);
            rest = value.substr(value.size() > 9 ? 9 : value.size());
        } else {
            engine::homeFolder(folder, sizeof folder);
            rest = value.substr(1);
        }
        result = folder;
        for (char c : rest)
            result.push_back(c == '\\' ? '/' : c);
    } else {
        result = value;
    }
    return storeText(result, out, capacity);
}

void resolveHotKeyClash(Settings& s, bool keyLibraryPresent) {
    if (s.MarkKey != s.KWDGKey) return;
    if (!keyLibraryPresent) {
        s.KWDGKey = s.MarkKey == 193 ? 194 : 193;
    } else if (s.MarkKey == 193 && s.MarkKeyF == 233) {
        s.KWDGKey = 194;
        s.KWDGKeyF = 234;
    } else {
        s.KWDGKey = 193;
        s.KWDGKeyF = 233;
    }
}

namespace {

// The reader's work after the last line.
void finishReading(Settings& settings, const ConfigReadOptions& options) {
    // Raw data and the internal format exclude each other, whichever line came first.
    if (settings.K_RAW) settings.K_INTERNAL = 0;
    resolveHotKeyClash(settings, options.keyLibraryPresent);
}

} // namespace

void applySettingsText(std::string_view text, Settings& settings, const geodesy::DatumTable& datums,
                       platform::Prompter& prompter, const ConfigReadOptions& options) {
    ReadContext context{settings, datums, prompter, options};
    LineReader reader(context);
    reader.feed(text);
    reader.finish();
    finishReading(settings, options);
}

void splitWaypointPath(Settings& s) {
    if (s.WaypointFilename[0] != '\0') return;
    std::string path(fieldText(s.WaypointPath, sizeof s.WaypointPath));
    auto start = fileNameStart(path);
    if (!start) return;
    storeText(std::string_view(path).substr(*start), s.WaypointFilename, sizeof s.WaypointFilename);
    s.WaypointPath[*start] = '\0';
}

std::string renderSettings(const Settings& s) {
    std::string out;
    out.reserve(1024);
    out += "[Corvane]\n";
    out += "Protected=No\n"; // a protected file is never written
    appendFlagLine(out, "InsertEnabled", s.InsertEnabled);
    out.append("GPSPort=").append(narrowPort(s.GPSPort)).append("\n");
    out.append("GPSBaud=").append(fromDigit(s.GPSBaud, kBaudRates, 10, "9600")).append("\n");
    out.append("GPSParity=").append(fromDigit(s.GPSParity, kParities, 5, "none")).append("\n");
    out.append("GPSDatabits=").append(1, s.GPSDatabits).append("\n");
    out.append("GPSStopBits=")
        .append(s.GPSStopBits == '1'   ? "1.5"
                : s.GPSStopBits == '2' ? "2"
                                       : "1")
        .append("\n");
    out.append("GPSDTR=").append(s.GPSDTR == '1' ? "Yes" : "No").append("\n");
    out.append("GPSRTS=").append(s.GPSRTS == '1' ? "Yes" : "No").append("\n");
    out.append("Units=")
        .append(s.Units >= 0 && s.Units <= 4 ? kUnits[s.Units] : kUnits[0])
        .append("\n");
    out.append("Format=")
        .append(s.Format == 0   ? "DD"
                : s.Format == 1 ? "DM"
                : s.Format == 2 ? "DMS"
                                : "UTM")
        .append("\n");
    out.append("Heading=")
        .append(s.Heading == 'A'   ? "Automag"
                : s.Heading == 'M' ? "ManualMag"
                : s.Heading == 'W' ? "WMM 2K"
                                   : "True")
        .append("\n");
    if (s.Heading == 'M') appendFixedLine(out, "HeadingUserDecl", s.HeadingUserDecl, 1);
    out.append("AltitudeRef=").append(s.AltitudeRef == 'M' ? "MSL" : "HAE").append("\n");
    out.append("Datum=").append(fieldText(s.Datum, sizeof s.Datum)).append("\n");
    out.append("WaypointPath=")
        .append(fieldText(s.WaypointPath, sizeof s.WaypointPath))
        .append("\n");
    out.append("WaypointFilename=")
        .append(fieldText(s.WaypointFilename, sizeof s.WaypointFilename))
        .append("\n");
    appendFlagLine(out, "DataExchange", s.DataExchange);
    out.append("DataExchangePath=")
        .append(fieldText(s.DataExchangePath, sizeof s.DataExchangePath))
        .append("\n");
    out += "Language=English\n";
    appendFlagLine(out, "AudibleFixes", s.AudibleFixes);
    appendFlagLine(out, "PointAveraging", s.PointAveraging);
    appendIntLine(out, "PointsAveraged", s.PointsAveraged);
    appendFlagLine(out, "MemExchange", s.MemExchange);
    appendIntLine(out, "MarkKey", s.MarkKey);
    appendIntLine(out, "KWDGKey", s.KWDGKey);
    appendIntLine(out, "MarkKeyF", s.MarkKeyF);
    appendIntLine(out, "KWDGKeyF", s.KWDGKeyF);
    appendFlagLine(out, "MaskEHE", s.MaskEHE);
    appendFixedLine(out, "MaxEHE", s.MaxEHE, 3);
    appendFlagLine(out, "MaskElev", s.MaskElev);
    appendFixedLine(out, "MinElev", s.MinElev, 1);
    appendFlagLine(out, "MaskPDOP", s.MaskPDOP);
    appendFixedLine(out, "MaxPDOP", s.MaxPDOP, 3);
    appendFlagLine(out, "MaskSNR", s.MaskSNR);
    appendFixedLine(out, "MinSNR", s.MinSNR, 1);
    appendFlagLine(out, "MaskDGPS", s.MaskDGPS);
    appendFlagLine(out, "Mask3D", s.Mask3D);
    appendFlagLine(out, "KWDG", s.KWDG);
    int count =
        s.KEYWEDGE.count < engine::kKeyWedgeCapacity ? s.KEYWEDGE.count : engine::kKeyWedgeCapacity;
    out += "KEYWEDGE=";
    appendInt(out, count);
    out += ", ";
    for (int i = 0; i < count; ++i) {
        appendInt(out, s.KEYWEDGE.items[i]);
        out += " ";
    }
    out += "\n";
    appendFlagLine(out, "K_RAW", s.K_RAW);
    appendFlagLine(out, "K_INTERNAL", s.K_INTERNAL);
    appendIntLine(out, "K_INTKEY", s.K_INTKEY);
    appendFlagLine(out, "EXPTWPT", s.EXPTWPT);
    // Written before BTENBL, which stays the last line; a file without the key reads as Yes.
    appendFlagLine(out, "ShowOtherSatellites", s.ShowOtherSatellites);
    out.append("BTENBL=").append(yesNo(s.BTENBL)); // the last line has no line end
    return out;
}

std::string configFilePath(const engine::GpsEngine& engine) {
    std::string path(fieldText(engine.applicationDirectory, sizeof engine.applicationDirectory));
    if (!endsWithSlash(path)) path.push_back('/');
    return path + kConfigFileName;
}

bool writeSettings(engine::GpsEngine& engine) {
    Settings& s = engine.settings;
    if (s.Protected) return false;
    splitWaypointPath(s);
    if (!platform::replaceFile(configFilePath(engine), renderSettings(s))) {
        engine.prompter().message(kMsgConfigNotFound);
        return false;
    }
    return true;
}

ConfigReadResult readSettingsFile(const std::string& path, Settings& settings,
                                  const geodesy::DatumTable& datums, platform::Prompter& prompter,
                                  const ConfigReadOptions& options) {
    // Without waiting: a FIFO in the file's place must not hang start-up (it is refused below).
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? ConfigReadResult::Missing : ConfigReadResult::Unreadable;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              st.st_size <= static_cast<off_t>(kMaxConfigFileBytes);
    // Read into a copy, so that a file found too large or unreadable half-way changes nothing.
    Settings read = settings;
    ReadContext context{read, datums, prompter, options};
    LineReader reader(context);
    std::size_t total = 0;
    char buffer[16384];
    while (ok) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        total += static_cast<std::size_t>(n);
        ok = total <= kMaxConfigFileBytes; // the file grew while it was read
        if (ok) reader.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    }
    ::close(fd);
    if (!ok) return ConfigReadResult::Unreadable;
    reader.finish();
    finishReading(read, options);
    settings = read;
    return ConfigReadResult::Read;
}

bool readSettings(engine::GpsEngine& engine, const ConfigReadOptions& options,
                  ConfigReadResult* found) {
    ConfigReadResult result = readSettingsFile(configFilePath(engine), engine.settings,
                                               geodesy::datumTable(), engine.prompter(), options);
    if (found) *found = result;
    if (result == ConfigReadResult::Read) return true;
    // Only a missing file is replaced by the defaults: one that exists but cannot be read still
    // holds the user's settings.
    if (result == ConfigReadResult::Missing) writeSettings(engine);
    engine.prompter().message(kMsgConfigNotFound);
    return false;
}

bool readApplicationDirectory(engine::GpsEngine& engine) {
    return readApplicationDirectory(engine, platform::Registry::defaultPath());
}

bool readApplicationDirectory(engine::GpsEngine& engine, const std::string& registryPath) {
    using platform::RegistryRoot;
    platform::Registry registry(registryPath, &engine.prompter(), &engine.clock());
    std::string key = std::string(kRegistryKey) + "\\" + kRegistrySubkey;
    if (!registry.createKey(RegistryRoot::CurrentUser, kRegistryKey) ||
        !registry.keyExists(RegistryRoot::CurrentUser, key)) {
        engine.prompter().message(kMsgRegistryKey);
        return false;
    }
    auto value = registry.queryString(RegistryRoot::CurrentUser, key, kRegistryPathValue);
    char dir[engine::kPathCapacity];
    if (!value || !translateDevicePath(*value, dir, sizeof dir - 1)) {
        engine.prompter().message(kMsgRegistryValue);
        return false;
    }
    std::size_t length = std::strlen(dir);
    if (length == 0 || dir[length - 1] != '/') {
        dir[length++] = '/';
        dir[length] = '\0';
    }
    // The program itself must be in that directory; its absence fails without a message.
    std::string program = std::string(dir) + kProgramFileName;
    struct stat st {};
    if (::stat(program.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    std::memcpy(engine.applicationDirectory, dir, length + 1);
    return true;
}

} // namespace data
