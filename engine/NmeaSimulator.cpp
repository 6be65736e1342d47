#include "engine/NmeaSimulator.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "geodesy/Constants.h"

namespace engine {

namespace {

using geodesy::kPi;
using geodesy::kRadiansPerDegree;
constexpr double kKnotsPerMps = 3600.0 / 1852.0;
constexpr double kKmhPerMps = 3.6;
constexpr double kOrbitPeriodS = 4 * 3600.0; // one rise-to-rise cycle of a simulated satellite
constexpr double kVisibleFraction = 0.85;    // part of the cycle spent above the horizon
constexpr double kElevationMask = 10.0;      // lowest satellite used in the solution
constexpr double kSbasBlockS = 60.0;         // SBAS outages come and go in blocks of this length
constexpr double kGeoidSeparation = 47.0;
constexpr double kBaseAltitude = 520.0;

// The loop the receiver walks, as offsets east and north of the start in metres; it returns to
// the start, so it can be walked over and over.
constexpr double kRoute[][2] = {{0, 0}, {180, 240}, {420, 260}, {520, 40}, {300, -160}, {0, 0}};
constexpr int kRoutePoints = sizeof kRoute / sizeof kRoute[0];

uint64_t splitmix(uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

double wrapDegrees(double d) {
    d = std::fmod(d, 360.0);
    return d < 0 ? d + 360.0 : d;
}

int64_t floorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Appends sentences to a caller's buffer; the checksum covers everything between '$' and '*'.
class SentenceWriter {
public:
    SentenceWriter(char* out, size_t capacity) : out_(out), capacity_(capacity) {}

    void begin(const char* identifier) {
        start_ = length_;
        put("$%s", identifier);
    }
    [[gnu::format(printf, 2, 3)]] void put(const char* format, ...) {
        if (overflow_) return;
        va_list args;
        va_start(args, format);
        int n = std::vsnprintf(out_ + length_, capacity_ - length_, format, args);
        va_end(args);
        if (n < 0 || static_cast<size_t>(n) >= capacity_ - length_)
            overflow_ = true;
        else
            length_ += static_cast<size_t>(n);
    }
    void end() {
        if (overflow_) return;
        unsigned checksum = 0;
        for (size_t i = start_ + 1; i < length_; ++i)
            checksum ^= static_cast<unsigned char>(out_[i]);
        put("*%02X\r\n", checksum);
    }
    size_t result() const { return overflow_ ? 0 : length_; }

private:
    char* out_;
    size_t capacity_;
    size_t length_ = 0;
    size_t start_ = 0;
    bool overflow_ = false;
};

// ddmm.mmmm / dddmm.mmmm and the hemisphere letter, or two empty fields.
void putCoordinate(SentenceWriter& w, double degrees, int degreeDigits, char positive,
                   char negative) {
    int64_t units = std::llround(std::fabs(degrees) * 60.0 * 10000.0); // 1/10000 minute
    int64_t whole = units / 600000;
    int64_t rest = units % 600000;
    w.put(",%0*lld%02lld.%04lld,%c", degreeDigits, static_cast<long long>(whole),
          static_cast<long long>(rest / 10000), static_cast<long long>(rest % 10000),
          degrees < 0 ? negative : positive);
}

struct UtcTime {
    int hour, minute, second, centisecond;
    int day, month, year;
};

UtcTime utcAt(int64_t startSeconds, int64_t offsetMs) {
    int64_t totalMs = startSeconds * 1000 + offsetMs;
    int64_t seconds = floorDiv(totalMs, 1000);
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return {tm.tm_hour,      tm.tm_min,
            tm.tm_sec,       static_cast<int>((totalMs - seconds * 1000) / 10),
            tm.tm_mday,      tm.tm_mon + 1,
            tm.tm_year % 100};
}

// Look angles of a geostationary satellite at longitude satLon from a place on a sphere.
void geostationaryLook(double lat, double lon, double satLon, double& elevation, double& azimuth) {
    const double earthRadius = 6378.137, orbitRadius = 42164.0;
    double phi = lat * kRadiansPerDegree, lambda = lon * kRadiansPerDegree,
           s = satLon * kRadiansPerDegree;
    double ux = earthRadius * std::cos(phi) * std::cos(lambda);
    double uy = earthRadius * std::cos(phi) * std::sin(lambda);
    double uz = earthRadius * std::sin(phi);
    double dx = orbitRadius * std::cos(s) - ux, dy = orbitRadius * std::sin(s) - uy, dz = -uz;
    double east = -std::sin(lambda) * dx + std::cos(lambda) * dy;
    double north = -std::sin(phi) * std::cos(lambda) * dx - std::sin(phi) * std::sin(lambda) * dy +
                   std::cos(phi) * dz;
    double up = std::cos(phi) * std::cos(lambda) * dx + std::cos(phi) * std::sin(lambda) * dy +
                std::sin(phi) * dz;
    elevation = std::atan2(up, std::hypot(east, north)) / kRadiansPerDegree;
    azimuth = wrapDegrees(std::atan2(east, north) / kRadiansPerDegree);
}

} // namespace

NmeaSimulator::NmeaSimulator(const SimulatorConfig& config) : config_(config) {
    // Twelve distinct PRNs, their passes spread evenly over the cycle so that about ten are up.
    bool taken[33] = {};
    for (int i = 0; i < kGpsSatellites; ++i) {
        uint64_t draw = 0;
        int prn = 0;
        do {
            prn = 1 + static_cast<int>(splitmix(config_.seed + 977 * i + draw++) % 32);
        } while (taken[prn]);
        taken[prn] = true;
        Orbit& o = orbits_[i];
        o.prn = prn;
        o.phase = (i + 0.4 * noise(1, i)) / kGpsSatellites;
        o.azRise = wrapDegrees(180.0 * (1.0 + noise(2, i)));
        o.azSpan = (170.0 + 50.0 * noise(3, i)) * (noise(4, i) < 0 ? -1.0 : 1.0);
        o.maxElevation = 54.0 + 34.0 * noise(5, i);
    }
    std::sort(orbits_, orbits_ + kGpsSatellites,
              [](const Orbit& a, const Orbit& b) { return a.prn < b.prn; });
    for (int i = 1; i < kRoutePoints; ++i)
        routeLength_ +=
            std::hypot(kRoute[i][0] - kRoute[i - 1][0], kRoute[i][1] - kRoute[i - 1][1]);
}

double NmeaSimulator::noise(uint64_t a, uint64_t b) const {
    uint64_t h = splitmix(config_.seed ^ splitmix(a * 0x100000001b3ULL + b));
    return static_cast<double>(h >> 11) * 0x1.0p-52 - 1.0;
}

int64_t NmeaSimulator::epochMs(uint64_t index) const {
    return std::llround(static_cast<double>(index) * 1000.0 / config_.rateHz);
}

bool NmeaSimulator::startsSecond(uint64_t index) const {
    return index == 0 || floorDiv(epochMs(index), 1000) != floorDiv(epochMs(index - 1), 1000);
}

NmeaSimulator::TruePosition NmeaSimulator::truePosition(double seconds) const {
    double along = std::fmod(std::max(0.0, config_.speedMps * seconds), routeLength_);
    double fraction = along / routeLength_;
    double east = 0, north = 0, track = 0;
    for (int i = 1; i < kRoutePoints; ++i) {
        double de = kRoute[i][0] - kRoute[i - 1][0], dn = kRoute[i][1] - kRoute[i - 1][1];
        double leg = std::hypot(de, dn);
        if (along <= leg || i == kRoutePoints - 1) {
            double f = std::min(1.0, along / leg);
            east = kRoute[i - 1][0] + f * de;
            north = kRoute[i - 1][1] + f * dn;
            track = wrapDegrees(std::atan2(de, dn) / kRadiansPerDegree);
            break;
        }
        along -= leg;
    }
    // Metres to degrees with the WGS 84 radii of curvature at the start.
    const double a = 6378137.0, e2 = 6.69437999014e-3;
    double s = std::sin(config_.latitude * kRadiansPerDegree);
    double w = std::sqrt(1.0 - e2 * s * s);
    double meridian = a * (1.0 - e2) / (w * w * w);
    double normal = a / w;
    double lat = config_.latitude + north / meridian / kRadiansPerDegree;
    double lon = config_.longitude + east /
                                         (normal * std::cos(config_.latitude * kRadiansPerDegree)) /
                                         kRadiansPerDegree;
    if (lon >= 180.0) lon -= 360.0;
    if (lon < -180.0) lon += 360.0;
    double altitude = kBaseAltitude + 12.0 * std::sin(2.0 * kPi * fraction);
    return {lat, lon, altitude, track};
}

bool NmeaSimulator::sbasLost(double seconds) const {
    auto block = static_cast<uint64_t>(seconds / kSbasBlockS);
    return block > 0 && noise(6, block) > 0.5;
}

NmeaSimulator::Sky NmeaSimulator::sky(double seconds) const {
    Sky sky;
    auto second = static_cast<uint64_t>(seconds);
    for (const Orbit& o : orbits_) {
        double cycle = o.phase + seconds / kOrbitPeriodS;
        double u = (cycle - std::floor(cycle)) / kVisibleFraction;
        if (u >= 1.0) continue;
        double elevation = o.maxElevation * std::sin(kPi * u);
        if (elevation < 1.0) continue;
        SkySatellite& sat = sky.satellites[sky.count++];
        sat.prn = o.prn;
        sat.elevation = static_cast<int>(std::lround(elevation));
        sat.azimuth = static_cast<int>(std::lround(wrapDegrees(o.azRise + o.azSpan * u))) % 360;
        // Low satellites drop in and out of tracking for ten seconds at a time.
        bool tracked = elevation >= 8.0 || noise(7 + o.prn, second / 10) > 0.0;
        double snr =
            30.0 + 18.0 * std::sin(elevation * kRadiansPerDegree) + 2.5 * noise(40 + o.prn, second);
        sat.snr = tracked ? static_cast<int>(std::lround(std::clamp(snr, 20.0, 55.0))) : 0;
    }

    // The solution takes the highest tracked satellites above the mask.
    int order[kGpsSatellites];
    int candidates = 0;
    for (int i = 0; i < sky.count; ++i)
        if (sky.satellites[i].snr > 0 && sky.satellites[i].elevation >= kElevationMask)
            order[candidates++] = i;
    // Highest first; an insertion sort, as the list is a dozen entries at most.
    for (int i = 1; i < candidates; ++i)
        for (int j = i;
             j > 0 && sky.satellites[order[j]].elevation > sky.satellites[order[j - 1]].elevation;
             --j)
            std::swap(order[j], order[j - 1]);
    int gpsUsed = std::min(candidates, kMaxUsed - 1);
    for (int i = 0; i < gpsUsed; ++i)
        sky.satellites[order[i]].used = true;

    double elevation = 0, azimuth = 0;
    geostationaryLook(config_.latitude, config_.longitude, config_.longitude + 15.0, elevation,
                      azimuth);
    bool sbasTracked = false;
    if (elevation >= 5.0) {
        SkySatellite& sat = sky.satellites[sky.count++];
        sat.prn = kSbasPrn;
        sat.elevation = static_cast<int>(std::lround(elevation));
        sat.azimuth = static_cast<int>(std::lround(azimuth)) % 360;
        sbasTracked = !sbasLost(seconds);
        sat.snr = sbasTracked ? static_cast<int>(std::lround(37.0 + 2.0 * noise(80, second))) : 0;
        sat.used = sbasTracked && gpsUsed >= 4;
    }

    sky.usedCount = 0;
    for (int i = 0; i < sky.count; ++i)
        sky.usedCount += sky.satellites[i].used ? 1 : 0;
    sky.fixMode = gpsUsed >= 4 ? 3 : gpsUsed == 3 ? 2 : 1;
    sky.quality = gpsUsed < 3 ? 0 : sbasTracked && gpsUsed >= 4 ? 2 : 1;
    computeDops(sky);
    return sky;
}

// DOPs from the geometry of the satellites in the solution: the diagonal of (GᵀG)⁻¹, with one
// row of G per satellite (unit vector towards it in east, north, up, and the clock term).
void NmeaSimulator::computeDops(Sky& sky) {
    double m[4][8] = {};
    for (int i = 0; i < sky.count; ++i) {
        const SkySatellite& sat = sky.satellites[i];
        if (!sat.used) continue;
        double el = sat.elevation * kRadiansPerDegree, az = sat.azimuth * kRadiansPerDegree;
        double row[4] = {std::cos(el) * std::sin(az), std::cos(el) * std::cos(az), std::sin(el),
                         1.0};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                m[r][c] += row[r] * row[c];
    }
    for (int r = 0; r < 4; ++r)
        m[r][4 + r] = 1.0;
    // Gauss-Jordan elimination with partial pivoting.
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
        if (std::fabs(m[pivot][col]) < 1e-9) {
            sky.pdop = sky.hdop = sky.vdop = 99.9;
            return;
        }
        for (int c = 0; c < 8; ++c)
            std::swap(m[col][c], m[pivot][c]);
        double p = m[col][col];
        for (int c = 0; c < 8; ++c)
            m[col][c] /= p;
        for (int r = 0; r < 4; ++r) {
            if (r == col) continue;
            double f = m[r][col];
            for (int c = 0; c < 8; ++c)
                m[r][c] -= f * m[col][c];
        }
    }
    sky.hdop = std::min(99.9, std::sqrt(m[0][4] + m[1][5]));
    sky.vdop = std::min(99.9, std::sqrt(m[2][6]));
    sky.pdop = std::min(99.9, std::sqrt(m[0][4] + m[1][5] + m[2][6]));
}

size_t NmeaSimulator::writeEpoch(uint64_t index, char* out, size_t capacity) const {
    const int64_t ms = epochMs(index);
    const double seconds = static_cast<double>(ms) / 1000.0;
    const TruePosition truth = truePosition(seconds);
    const Sky s = sky(seconds);
    const UtcTime utc = utcAt(config_.startUtcSeconds, ms);
    const bool fix = s.quality > 0;
    const auto key = static_cast<uint64_t>(ms);

    // The receiver's own scatter around the true position, growing with the DOPs.
    double north = 0.7 * s.hdop * noise(90, key), east = 0.7 * s.hdop * noise(91, key);
    double lat = truth.latitude + north / 111132.0;
    double lon = truth.longitude + east / (111320.0 * std::cos(truth.latitude * kRadiansPerDegree));
    double altitude = truth.altitude + 1.2 * s.vdop * noise(92, key);
    double speed = config_.speedMps > 0 ? config_.speedMps * (1.0 + 0.03 * noise(93, key)) : 0.0;
    double track =
        config_.speedMps > 0 ? wrapDegrees(truth.trackDegrees + 1.5 * noise(94, key)) : 0.0;

    SentenceWriter w(out, capacity);
    w.begin("GPGGA");
    w.put(",%02d%02d%02d.%02d", utc.hour, utc.minute, utc.second, utc.centisecond);
    if (fix) {
        putCoordinate(w, lat, 2, 'N', 'S');
        putCoordinate(w, lon, 3, 'E', 'W');
        w.put(",%d,%02d,%.1f,%.1f,M,%.1f,M,,", s.quality, s.usedCount, s.hdop, altitude,
              kGeoidSeparation);
    } else {
        w.put(",,,,,0,%02d,,,,,,,", s.usedCount);
    }
    w.end();

    w.begin("GPGSA");
    w.put(",A,%d", s.fixMode);
    int fields = 0;
    for (int i = 0; i < s.count && fields < kMaxUsed; ++i)
        if (s.satellites[i].used) {
            w.put(",%02d", s.satellites[i].prn);
            ++fields;
        }
    for (; fields < kMaxUsed; ++fields)
        w.put(",");
    w.put(",%.1f,%.1f,%.1f", s.pdop, s.hdop, s.vdop);
    w.end();

    if (startsSecond(index)) {
        int messages = std::max(1, (s.count + 3) / 4);
        for (int m = 0; m < messages; ++m) {
            w.begin("GPGSV");
            w.put(",%d,%d,%02d", messages, m + 1, s.count);
            for (int i = 4 * m; i < std::min(s.count, 4 * m + 4); ++i) {
                const SkySatellite& sat = s.satellites[i];
                w.put(",%02d,%02d,%03d,", sat.prn, sat.elevation, sat.azimuth);
                if (sat.snr > 0) w.put("%02d", sat.snr);
            }
            w.end();
        }
    }

    const char mode = s.quality == 2 ? 'D' : fix ? 'A' : 'N';
    w.begin("GPRMC");
    w.put(",%02d%02d%02d.%02d,%c", utc.hour, utc.minute, utc.second, utc.centisecond,
          fix ? 'A' : 'V');
    if (fix) {
        putCoordinate(w, lat, 2, 'N', 'S');
        putCoordinate(w, lon, 3, 'E', 'W');
        w.put(",%.2f,%.1f", speed * kKnotsPerMps, track);
    } else {
        w.put(",,,,,,");
    }
    w.put(",%02d%02d%02d,,,%c", utc.day, utc.month, utc.year, mode);
    w.end();

    w.begin("GPVTG");
    if (fix)
        w.put(",%.1f,T,,M,%.2f,N,%.2f,K,%c", track, speed * kKnotsPerMps, speed * kKmhPerMps, mode);
    else
        w.put(",,T,,M,,N,,K,N");
    w.end();
    return w.result();
}

} // namespace engine
