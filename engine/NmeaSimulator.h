#pragma once
// A simulated GPS receiver: walks a fixed loop route from a start position and produces the
// NMEA 0183 sentences a receiver would send for each epoch ($GPGGA, $GPGSA, a $GPGSV cycle once
// per second, $GPRMC, $GPVTG). The output is a pure function of the configuration and the epoch
// number, so any epoch can be produced again; pacing and output belong to the caller.

#include <cstddef>
#include <cstdint>

namespace engine {

struct SimulatorConfig {
    double latitude = 48.1173; // start of the route, decimal degrees
    double longitude = 11.516667;
    double speedMps = 1.5;            // walking pace along the route
    double rateHz = 1.0;              // epochs per second
    int64_t startUtcSeconds = 0;      // UTC of epoch 0, seconds since 1970-01-01
    uint64_t seed = 0x5eed'c0ffee'42; // drives the satellite sky and the noise
};

// Largest output of one epoch, with room to spare: five sentences and three $GPGSV messages.
inline constexpr size_t kMaxEpochBytes = 1024;

class NmeaSimulator {
public:
    static constexpr int kGpsSatellites = 12; // candidates; about ten of them are up at a time
    static constexpr int kSbasPrn = 48;
    static constexpr int kMaxUsed = 12; // PRN fields of $GPGSA

    // Where the receiver truly is (before the receiver's own noise).
    struct TruePosition {
        double latitude;
        double longitude;
        double altitude;
        double trackDegrees; // direction of travel, degrees true
    };

    // One satellite as the receiver sees it at an instant.
    struct SkySatellite {
        int prn = 0;
        int elevation = 0; // degrees
        int azimuth = 0;   // degrees true
        int snr = 0;       // dB-Hz, 0 when not tracked
        bool used = false;
    };

    struct Sky {
        SkySatellite satellites[kGpsSatellites + 1]; // visible ones first, in PRN order, SBAS last
        int count = 0;
        int usedCount = 0;
        int quality = 0; // 0 no fix, 1 GPS, 2 differential (SBAS)
        int fixMode = 1; // 1 none, 2 2D, 3 3D
        double pdop = 0, hdop = 0, vdop = 0;
    };

    explicit NmeaSimulator(const SimulatorConfig& config);

    const SimulatorConfig& config() const { return config_; }

    // Writes every sentence of epoch `index` (epoch 0 at startUtcSeconds) into out, each ending
    // in CR LF. Returns the number of bytes written, or 0 when capacity is too small.
    size_t writeEpoch(uint64_t index, char* out, size_t capacity) const;

    // Milliseconds from epoch 0 to epoch `index`.
    int64_t epochMs(uint64_t index) const;
    // True when epoch `index` is the first of its whole second (it carries the $GPGSV cycle).
    bool startsSecond(uint64_t index) const;

    TruePosition truePosition(double seconds) const;
    Sky sky(double seconds) const;

private:
    struct Orbit {
        int prn;
        double phase;  // position in the cycle at time 0, 0..1
        double azRise; // degrees
        double azSpan; // degrees swept from rise to set
        double maxElevation;
    };

    double noise(uint64_t a, uint64_t b) const; // deterministic, uniform in [-1, 1)
    bool sbasLost(double seconds) const;
    static void computeDops(Sky& sky);

    SimulatorConfig config_;
    Orbit orbits_[kGpsSatellites];
    double routeLength_ = 0; // metres
};

} // namespace engine
