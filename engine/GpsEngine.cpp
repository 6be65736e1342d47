#include "engine/GpsEngine.h"

#include <algorithm>

#include <cstring>
#include <string_view>

#include "engine/Bluetooth.h"
#include "engine/Dgps.h"
#include "engine/Notifications.h"
#include "engine/SerialLink.h"
#include "geodesy/DatumTable.h"
#include "geodesy/MagneticModel.h"

namespace engine {

GpsEngine::GpsEngine(platform::Clock& clock, platform::Prompter& prompter)
    : clock_(clock), prompter_(prompter) {
    dgps::attachClock(&clock_);
}

GpsEngine::~GpsEngine() {
    releaseNotifications(*this);
    if (drakarModule) releaseDrakar(*this);
    // The engine lock is a member and goes with the object; nothing can wait on it any more.
    port.reset();
    if (dgps::attachedClock() == &clock_) dgps::attachClock(nullptr);
}

bool GpsEngine::start(bool withLink) {
    initialiseFields();
    if (!readApplicationDirectory())
        return fail("Error Reading registry values, please re-install Corvane.");
    if (geodesy::datumTable().loadEllipsoids(applicationDirectory) != 0)
        return fail("Could not find \"ellipse.dat\" file.");
    if (geodesy::datumTable().loadDatums(applicationDirectory) != 0)
        return fail("Error initializing datums.");
    decimalYear = geodesy::decimalYear(clock_.localTime());
    if (!loadMagneticModel()) return fail("Error initializing WMM - \"WMM.COF\" file not found.");
    if (startupServices_ != nullptr) startupServices_->readSettings(*this);
    std::memcpy(portName, settings.GPSPort, sizeof portName); // the configured port from now on
    if (startupServices_ != nullptr) startupServices_->openWaypointFile(*this);
    if (!withLink) return true;
    startLink();
    createNotifications(*this);
    return true;
}

void GpsEngine::startLink() {
    btPortInUse = detectBluetoothPort(*this) ? 1 : 0;
    if (btPortInUse == 0) {
        externalPort = std::u16string_view(portName) != u"COM1:" ? 1 : 0;
        link.portOpen = openPort(*this, false) ? 1 : 0;
        return;
    }
    // A Bluetooth port opens with "GPS Connect" or the reconnection rules, not here.
    if (settings.BTENBL == 0) {
        settings.BTENBL = 1;
        if (startupServices_ != nullptr) startupServices_->writeSettings(*this);
    }
}

bool GpsEngine::fail(const char* message) {
    prompter_.message(message);
    return false;
}

bool GpsEngine::readApplicationDirectory() {
    // Without the layer that knows the registry the default directory (the home folder) stands.
    return startupServices_ == nullptr || startupServices_->readApplicationDirectory(*this);
}

bool GpsEngine::loadMagneticModel() {
    // The loader overwrites its buffer with an error text on failure, so it gets a copy.
    char directory[kPathCapacity];
    std::memcpy(directory, applicationDirectory, sizeof directory);
    return geodesy::magneticModel().loadMagneticModel(directory, sizeof directory,
                                                      geodesy::MagneticModel::kMaxDegree);
}

void GpsEngine::initialiseFields() {
    state = GpsState{};
    dgps::resetParser();

    link = LinkFlags{};
    reconnectCount = 0;
    btStackUp = 1;
    btPortInUse = 0;
    drakarPort = 0;
    microsoftStackPort = 0;
    externalPort = 0;
    lastDataTick = clock_.tickCount();
    port.reset();

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
    dgps::copyOtherSatellites(state.otherSatellites);
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
    for (OtherSatellite& o : state.otherSatellites) {
        o.lastSeenTick = 0;
        o.system = 0;
        o.prn = o.azimuth = o.elevation = o.snr = o.used = 0;
    }

    state.motion.motionTick = 0;
    state.motion.trackTrue = state.motion.speed = 0;
}

void GpsEngine::receiveBytes(const uint8_t* bytes, size_t count) {
    std::lock_guard<std::mutex> held(engineLock_);
    lastDataTick = clock_.tickCount();
    link.dataSeen = 1;
    feedParser(bytes, count);
}

void GpsEngine::feedParser(const uint8_t* bytes, size_t count) {
    // As many bytes as the ring takes at a time; a full ring is drained through the framer
    // before the rest goes in.
    size_t at = 0;
    while (at < count) {
        const size_t room = static_cast<size_t>(dgps::ringRoom());
        if (room == 0) {
            dgps::runFramer();
            continue;
        }
        const size_t piece = std::min(room, count - at);
        dgps::putBytes(bytes + at, piece);
        at += piece;
    }
    dgps::runFramer();
}

} // namespace engine
