#include "ui/CCnfGPS.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QStringList>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/Bluetooth.h"
#include "engine/GpsEngine.h"
#include "engine/SerialLink.h"
#include "platform/PortMap.h"
#include "platform/Registry.h"
#include "ui/ConfigControls.h"
#include "ui/ValueField.h"

namespace {

// The list offers one name more than there are ports; choosing it keeps the configured port.
constexpr int kPortChoices = platform::kPortCount + 1;

QString portChoice(int index) {
    return QStringLiteral("COM%1:").arg(index + 1);
}

// The list position of a digit code '0'..'0' + count - 1, fallback for any other code.
int digitIndex(char code, int count, int fallback) {
    const int index = code - '0';
    return index >= 0 && index < count ? index : fallback;
}

char digitCode(int index) {
    return static_cast<char>('0' + index);
}

} // namespace

CCnfGPS::CCnfGPS(ui::ConfigContext& context, QWidget* parent)
    : ui::ConfigPage(context, parent), port_(new QComboBox(this)),
      device_(new ui::ValueField(QString(), QStringLiteral("Device"), this)),
      bluetooth_(ui::configCheck(QStringLiteral("Bluetooth COM Port"), this)),
      baud_(ui::configList(QStringLiteral("Baud"),
                           {QStringLiteral("300"), QStringLiteral("1200"), QStringLiteral("2400"),
                            QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("14400"),
                            QStringLiteral("19200"), QStringLiteral("38400"),
                            QStringLiteral("57600"), QStringLiteral("115200")},
                           this)),
      parity_(ui::configList(QStringLiteral("Parity"),
                             {QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even"),
                              QStringLiteral("Mark"), QStringLiteral("Space")},
                             this)),
      dataBits_(ui::configList(QStringLiteral("Data Bits"),
                               {QStringLiteral("7"), QStringLiteral("8")}, this)),
      stopBits_(ui::configList(QStringLiteral("Stop Bits"),
                               {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")},
                               this)),
      dtr_(ui::configCheck(QStringLiteral("DTR"), this)),
      rts_(ui::configCheck(QStringLiteral("RTS"), this)) {
    for (int i = 0; i < kPortChoices; ++i)
        port_->addItem(portChoice(i));
    port_->setAccessibleName(QStringLiteral("Port"));

    auto* form = new QFormLayout(this);
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(port_);
    portRow->addWidget(device_, 1);
    form->addRow(QStringLiteral("Port"), portRow);
    form->addRow(QString(), bluetooth_);
    form->addRow(QStringLiteral("Baud"), baud_);
    form->addRow(QStringLiteral("Parity"), parity_);
    form->addRow(QStringLiteral("Data Bits"), dataBits_);
    form->addRow(QStringLiteral("Stop Bits"), stopBits_);
    auto* lines = new QHBoxLayout;
    lines->addWidget(dtr_);
    lines->addWidget(rts_);
    lines->addStretch(1);
    form->addRow(QString(), lines);

    connect(port_, &QComboBox::activated, this, [this] {
        if (acceptPortEdit()) showDevice();
    });
    for (QComboBox* box : {baud_, parity_, dataBits_, stopBits_})
        connect(box, &QComboBox::activated, this, [this] { acceptPortEdit(); });
    // The Bluetooth box only asks for the reopening: whether the port is a Bluetooth port is
    // found out when the sheet is confirmed.
    for (QCheckBox* box : {bluetooth_, dtr_, rts_})
        connect(box, &QCheckBox::clicked, this, [this] { acceptPortEdit(); });
    load();
}

bool CCnfGPS::acceptPortEdit() {
    if (!acceptEdit()) return false;
    context().portChanged = true;
    return true;
}

void CCnfGPS::load() {
    const engine::Settings& s = settings();
    const QSignalBlocker blockers[] = {QSignalBlocker(port_),     QSignalBlocker(bluetooth_),
                                       QSignalBlocker(baud_),     QSignalBlocker(parity_),
                                       QSignalBlocker(dataBits_), QSignalBlocker(stopBits_),
                                       QSignalBlocker(dtr_),      QSignalBlocker(rts_)};
    const int number = platform::portNumber(QString::fromUtf16(s.GPSPort).toStdString());
    port_->setCurrentIndex(number > 0 ? number - 1 : 0);
    bluetooth_->setChecked(s.BTENBL != 0);
    baud_->setCurrentIndex(digitIndex(s.GPSBaud, baud_->count(), 4));
    parity_->setCurrentIndex(digitIndex(s.GPSParity, parity_->count(), 0));
    dataBits_->setCurrentIndex(s.GPSDatabits == '7' ? 0 : 1);
    stopBits_->setCurrentIndex(digitIndex(s.GPSStopBits, stopBits_->count(), 0));
    dtr_->setChecked(s.GPSDTR == '1');
    rts_->setChecked(s.GPSRTS == '1');
    showDevice();
}

QString CCnfGPS::deviceText(int portIndex) const {
    if (portIndex < 0 || portIndex >= platform::kPortCount) return QStringLiteral("no device");
    // The map the port is opened through (engine/SerialLink.h); read afresh, so a change made
    // with cvtool meanwhile shows at once. A damaged registry file is reported when the port is
    // opened, not on every choice here.
    platform::Registry registry(platform::Registry::defaultPath(), nullptr, &engine().clock());
    const std::vector<platform::PortMap::Entry> entries = platform::PortMap(registry).list();
    if (portIndex >= static_cast<int>(entries.size())) return QStringLiteral("no device");
    const platform::PortMap::Entry& entry = entries[static_cast<size_t>(portIndex)];
    QString text = QString::fromStdString(entry.path);
    if (!entry.exists && !entry.network) text += QStringLiteral(" (not present)");
    return text;
}

void CCnfGPS::showDevice() {
    device_->setValue(deviceText(port_->currentIndex()));
}

void CCnfGPS::apply() {
    engine::GpsEngine& gps = engine();
    {
        std::lock_guard<std::mutex> held(gps.lock());
        engine::Settings& s = gps.settings;
        const int index = port_->currentIndex();
        if (index >= 0 && index < platform::kPortCount) {
            const std::u16string name = portChoice(index).toStdU16String();
            std::memset(s.GPSPort, 0, sizeof s.GPSPort);
            std::memcpy(s.GPSPort, name.data(), name.size() * sizeof(char16_t));
        }
        s.GPSBaud = digitCode(baud_->currentIndex());
        s.GPSBaudExtended = '0'; // the rate chosen here is one of the list's
        s.GPSDatabits = dataBits_->currentIndex() == 0 ? '7' : '8';
        s.GPSParity = digitCode(parity_->currentIndex());
        s.GPSStopBits = digitCode(stopBits_->currentIndex());
        s.GPSDTR = dtr_->isChecked() ? '1' : '0';
        s.GPSRTS = rts_->isChecked() ? '1' : '0';
    }
    if (context().portChanged) reopenPort();
}

// closePort and openPort take the engine lock for their own parts (and wait and retry in
// between), so they run without it; the lock guards each step that changes what the reader and
// the link supervision read: the port name, the Bluetooth stack flags and the link flags.
void CCnfGPS::reopenPort() {
    engine::GpsEngine& gps = engine();
    engine::closePort(gps);
    bool bluetooth = false;
    {
        std::lock_guard<std::mutex> held(gps.lock());
        std::memcpy(gps.portName, gps.settings.GPSPort, sizeof gps.portName);
        if (gps.settings.BTENBL != 0) engine::releaseDrakar(gps);
        bluetooth = engine::detectBluetoothPort(gps);
        gps.settings.BTENBL = bluetooth ? 1 : 0;
        gps.btPortInUse = bluetooth ? 1 : 0;
        gps.externalPort = !bluetooth && std::u16string_view(gps.portName) != u"COM1:" ? 1 : 0;
    }
    const bool opened = engine::openPort(gps, false);
    {
        std::lock_guard<std::mutex> held(gps.lock());
        gps.link.portOpen = opened ? 1 : 0;
    }
    context().portChanged = false;
    const QSignalBlocker blocker(bluetooth_);
    bluetooth_->setChecked(bluetooth);
}
