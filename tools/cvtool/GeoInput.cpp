#include "GeoInput.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "CliSupport.h"

namespace cvtool {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

bool parseNumbers(std::string_view line, double* values, int max, int& count) {
    count = 0;
    for (std::string_view field = takeField(line); !field.empty(); field = takeField(line)) {
        if (count == max) return false;
        const std::string text(field);
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        // The whole field, and a finite number ("nan" and "inf" are no coordinates).
        if (end != text.c_str() + text.size() || text.empty() || !std::isfinite(v)) return false;
        values[count++] = v;
    }
    return true;
}

bool parseExactly(std::string_view line, double* values, int count) {
    int found = 0;
    return parseNumbers(line, values, count, found) && found == count;
}

std::string_view takeField(std::string_view& line) {
    std::size_t start = 0;
    while (start < line.size() && isBlank(line[start]))
        ++start;
    std::size_t end = start;
    while (end < line.size() && !isBlank(line[end]))
        ++end;
    std::string_view field = line.substr(start, end - start);
    line.remove_prefix(end);
    return field;
}

bool loadDatumTables(const char* dirArgument, geodesy::DatumTable& table) {
    const std::string dir = tableDirectory(dirArgument);
    if (const uint32_t s = table.loadEllipsoids(dir.c_str())) {
        usageError("cannot read the ellipsoid table in %s (status %s)", dir.c_str(),
                   geodesy::ellipsoidStatusText(s).c_str());
        return false;
    }
    if (const uint32_t s = table.loadDatums(dir.c_str())) {
        usageError("cannot read the datum tables in %s (status %s)", dir.c_str(),
                   geodesy::datumStatusText(s).c_str());
        return false;
    }
    return true;
}

} // namespace cvtool
