#include "ui/CDiag.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <mutex>

#include "engine/Dgps.h"
#include "engine/EngineFormat.h"
#include "engine/GpsEngine.h"
#include "ui/CGPS.h"
#include "ui/CNMEAWnd.h"
#include "ui/CSatdetail.h"
#include "ui/NmeaGrid.h"
#include "ui/SatelliteSnapshot.h"
#include "ui/ValueField.h"

namespace {

ui::ValueField* valueLabel(QWidget* parent, const char* name) {
    auto* label = new ui::ValueField(QString(), QString::fromLatin1(name), parent);
    label->setMinimumWidth(40);
    return label;
}

QPushButton* button(QWidget* parent, const char* text) {
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setAccessibleName(b->text());
    b->setAutoDefault(false);
    return b;
}

} // namespace

CDiag::CDiag(engine::GpsEngine& engine, CGPS* gpsScreen, QWidget* parent)
    : QDialog(parent), engine_(engine), gpsScreen_(gpsScreen),
      main_(new QBoxLayout(QBoxLayout::TopToBottom, this)), filter_(new QComboBox(this)),
      nmea_(new CNMEAWnd(this)), freeze_(button(this, "Freeze")),
      satellites_(valueLabel(this, "sv/used")), quality_(valueLabel(this, "Quality")),
      fixMode_(valueLabel(this, "2D/3D")), sbas_(valueLabel(this, "W1/W2")),
      position_(valueLabel(this, "Position")) {
    setWindowTitle(QStringLiteral("GPS Diagnostics"));
    setModal(true);
    filter_->setAccessibleName(QStringLiteral("Filter"));
    filter_->addItem(QStringLiteral("ALL"));
    for (const ui::NmeaFilterEntry& entry : ui::kNmeaFilters)
        filter_->addItem(QString::fromLatin1(entry.name));
    filter_->setCurrentIndex(0);
    QPushButton* details = button(this, "Satellite Details");

    auto* stream = new QVBoxLayout;
    stream->addWidget(filter_);
    stream->addWidget(nmea_, 1);

    auto* values = new QGridLayout;
    const struct {
        const char* caption;
        ui::ValueField* value;
    } rows[] = {{"sv/used", satellites_},
                {"Quality", quality_},
                {"2D/3D", fixMode_},
                {"W1/W2", sbas_},
                {"Position", position_}};
    int row = 0;
    for (const auto& r : rows) {
        auto* caption = new QLabel(QString::fromLatin1(r.caption), this);
        caption->setAccessibleName(caption->text());
        caption->setBuddy(r.value);
        values->addWidget(caption, row, 0);
        values->addWidget(r.value, row, 1);
        ++row;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (QAbstractButton* b : buttons->buttons())
        b->setAccessibleName(b->text().remove(QLatin1Char('&')));
    auto* side = new QVBoxLayout;
    side->addWidget(freeze_);
    side->addWidget(details);
    side->addLayout(values);
    side->addStretch(1);
    side->addWidget(buttons);
    main_->addLayout(stream, 1);
    main_->addLayout(side);

    connect(filter_, &QComboBox::currentIndexChanged, this, [this](int i) { nmea_->setFilter(i); });
    connect(freeze_, &QPushButton::clicked, this, [this] { setFrozen(!frozen_); });
    connect(details, &QPushButton::clicked, this, &CDiag::openSatelliteDetails);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    nmea_->clear();
    if (gpsScreen_) gpsScreen_->setPaused(true);
    arrange(false);
}

void CDiag::done(int result) {
    if (gpsScreen_) gpsScreen_->setPaused(false);
    QDialog::done(result);
}

void CDiag::setFrozen(bool frozen) {
    frozen_ = frozen;
    freeze_->setText(frozen_ ? QStringLiteral("Unfreeze") : QStringLiteral("Freeze"));
    freeze_->setAccessibleName(freeze_->text());
}

void CDiag::feedRawLog() {
    // The log's index points at the newest byte; the bytes after the remembered index up to it
    // are new, through the end of the log and round to its start when it has wrapped meanwhile.
    const dgps::RawLogView log = dgps::rawLog();
    char16_t text[dgps::kRawLogSize];
    int count = 0;
    if (firstRefresh_) {
        text[count++] = log.bytes[log.index];
        firstRefresh_ = false;
    } else if (log.index != lastIndex_) {
        int i = lastIndex_;
        do {
            if (++i == dgps::kRawLogSize) i = 0;
            text[count++] = log.bytes[i];
        } while (i != log.index);
    }
    lastIndex_ = log.index;
    nmea_->receive(text, count);
}

void CDiag::refresh() {
    if (refreshing_) return;
    refreshing_ = true;
    QString satellites, quality, fixMode, sbas, position;
    {
        // Only tried, as every refresh of the interface: a busy engine skips this one, and the
        // next catches up from the remembered index.
        std::unique_lock<std::mutex> held(engine_.lock(), std::try_to_lock);
        if (!held.owns_lock()) {
            refreshing_ = false;
            return;
        }
        if (!frozen_) feedRawLog();
        const engine::GpsState& state = engine_.state;
        // In view: the GPS and SBAS count of GSV plus the other constellations' satellites when
        // they are shown. Used: the count of GGA, which already covers every constellation the
        // receiver solved with.
        const int othersInView =
            engine_.settings.ShowOtherSatellites != 0 ? ui::otherSatellitesInView(state) : 0;
        satellites = QStringLiteral("%1/%2")
                         .arg(state.dop.satellitesInView + othersInView)
                         .arg(state.position.satellitesUsed);
        quality = QString::number(state.position.quality);
        fixMode = QString::number(state.dop.fixMode);
        sbas = QStringLiteral("%1/%2")
                   .arg(ui::sbasSlotState(state.satellites[engine::kFirstSbasSlot]))
                   .arg(ui::sbasSlotState(state.satellites[engine::kFirstSbasSlot + 1]));
        char16_t place[100] = {};
        char16_t altitude[100] = {};
        engine::formatPositionForDisplay(engine_, state.position.latitude, state.position.longitude,
                                         state.position.altitude, place, altitude);
        position = QString::fromUtf16(place);
    }
    satellites_->setValue(satellites);
    quality_->setValue(quality);
    fixMode_->setValue(fixMode);
    sbas_->setValue(sbas);
    position_->setValue(position);
    refreshing_ = false;
}

void CDiag::openSatelliteDetails() {
    ui::SatelliteSnapshot snapshot;
    {
        std::lock_guard<std::mutex> held(engine_.lock());
        snapshot = ui::takeSatelliteSnapshot(engine_);
    }
    CSatdetail details(snapshot, this);
    details.exec();
}

void CDiag::arrange(bool landscape) {
    landscape_ = landscape;
    main_->setDirection(landscape ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    main_->activate();
}

void CDiag::resizeEvent(QResizeEvent* event) {
    const bool landscape = event->size().width() > event->size().height();
    if (landscape != landscape_) arrange(landscape);
    QDialog::resizeEvent(event);
}
