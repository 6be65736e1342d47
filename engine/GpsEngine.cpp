#include "engine/GpsEngine.h"

#include <cstring>

#include "engine/Dgps.h"

namespace engine {

GpsEngine::GpsEngine(platform::Clock& clock, platform::Prompter& prompter)
    : clock_(clock), prompter_(prompter) {
    dgps::attachClock(&clock_);
}

GpsEngine::~GpsEngine() {
    if (dgps::attachedClock() == &clock_) dgps::attachClock(nullptr);
}

bool GpsEngine::start() {
    initialiseFields();
    // The remaining steps (application directory, tables, decimal year, magnetic model,
    // configuration file, waypoint file, ports, notifications) follow here in this order.
    return true;
}

void GpsEngine::initialiseFields() {
    state = GpsState{};
    dgps::resetParser();

    autoConnecting = 0;
    portOpen = 0;
    commOk = 1;
    dataSeen = 0;
    reconnectCount = 0;
    btStackUp = 1;
    btPortInUse = 0;
    externalPort = 0;
    lastDataTick = clock_.tickCount();
    staleTimeoutMs = 3000;
    portHandle = kInvalidHandle;

    settings = Settings{};
    std::memcpy(portName, settings.GPSPort, sizeof portName);
    homeFolder(applicationDirectory, sizeof applicationDirectory);
    documentsFolder(defaultWaypointDirectory, sizeof defaultWaypointDirectory);
}

bool GpsEngine::refresh() {
    std::unique_lock<std::mutex> held(engineLock_, std::try_to_lock);
    if (!held.owns_lock()) return false;
    refreshLocked();
    return true;
}

void GpsEngine::refreshLocked() {
    dgps::copyPosition(state.position);
    dgps::copySatellites(state.satellites);
    dgps::copyDop(state.dop);
    dgps::copyMotion(state.motion);
    dgps::copyMagVar(state.magVar);
    if (publisher_ != nullptr) publisher_->publish(state);
}

void GpsEngine::resetGpsState() {
    PositionRecord& p = state.position;
    p.ggaTick = 0;
    p.latitude = p.longitude = p.altitude = 0;
    p.utcHour = p.utcMinute = p.utcSecond = 0;
    p.quality = p.satellitesUsed = 0;
    p.hdop = p.diffAge = -1.0f;
    p.fixText = kFixTextNoFix;

    DopRecord& d = state.dop;
    d.fixMode = 1;
    d.pdop = d.gsaHdop = d.vdop = 0;
    d.gsaTick = 0;
    d.satellitesInView = 0;
    std::memset(d.usedSlots, 0, sizeof d.usedSlots);

    for (int slot = 0; slot <= kResetSatelliteSlots; ++slot) {
        SatelliteInfo& s = state.satellites[slot];
        s.lastSeenTick = 0;
        s.prn = s.azimuth = s.elevation = s.snr = s.used = 0;
    }

    state.motion.motionTick = 0;
    state.motion.trackTrue = state.motion.speed = 0;
}

void GpsEngine::receiveBytes(const uint8_t* bytes, size_t count) {
    std::lock_guard<std::mutex> held(engineLock_);
    lastDataTick = clock_.tickCount();
    dataSeen = 1;
    feedParser(bytes, count);
}

void GpsEngine::feedParser(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        // A full ring is drained through the framer before the byte is stored again.
        while (dgps::putBytes(bytes + i, 1) == dgps::kPutRingFull)
            dgps::runFramer();
    }
    dgps::runFramer();
}

} // namespace engine
