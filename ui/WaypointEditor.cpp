#include "ui/WaypointEditor.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "data/InputRange.h"
#include "engine/EngineFormat.h"
#include "engine/GpsEngine.h"
#include "geodesy/Constants.h"
#include "geodesy/DatumTable.h"
#include "geodesy/Formatter.h"
#include "geodesy/Offset.h"
#include "ui/COffsetInput.h"
#include "ui/CWayPt.h"
#include "ui/CWayptDM.h"
#include "ui/CWayptDMS.h"
#include "ui/CWayptUTM.h"
#include "ui/NumberEntry.h"

namespace {

// The elevation field takes this many metres or feet either way: far beyond any place a receiver
// is carried to, and small enough that the feet conversion stays exact to the millimetre.
constexpr double kMaxElevation = 100000.0;
// Typed values that differ from the base position by more than this change it.
constexpr double kChangeTolerance = 1e-8;

// The shortest text that reads back as the same value.
QString shortestText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return QString::fromLatin1(text, static_cast<int>(result.ptr - text));
}

QLabel* caption(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

WaypointEditor::WaypointEditor(engine::GpsEngine& engine, const QString& title, QWidget* parent)
    : QDialog(parent), engine_(engine), askOffset_(&COffsetInput::ask), positions_(new QGridLayout),
      number_(new QLineEdit(this)), name_(new QLineEdit(this)),
      elevation_(ui::numberField(QStringLiteral("Elevation"), QString(), this)),
      elevationUnit_(new QLabel(this)), offset_(new QPushButton(QStringLiteral("Offset"), this)),
      showOffset_(new QCheckBox(QStringLiteral("Show Offset"), this)) {
    setWindowTitle(title);
    setAccessibleName(title);
    number_->setReadOnly(true);
    number_->setAccessibleName(QStringLiteral("Waypoint #"));
    name_->setAccessibleName(QStringLiteral("Waypoint ID"));
    elevationUnit_->setAccessibleName(QStringLiteral("Elevation unit"));
    offset_->setAccessibleName(offset_->text());
    offset_->setAutoDefault(false);
    showOffset_->setAccessibleName(showOffset_->text());

    auto* top = new QGridLayout;
    top->addWidget(caption(QStringLiteral("Waypoint #"), number_, this), 0, 0);
    top->addWidget(number_, 0, 1);
    top->addWidget(caption(QStringLiteral("Waypoint ID"), name_, this), 1, 0);
    top->addWidget(name_, 1, 1);

    auto* height = new QHBoxLayout;
    height->addWidget(caption(QStringLiteral("Elevation"), elevation_, this));
    height->addWidget(elevation_, 1);
    height->addWidget(elevationUnit_);

    auto* offsetRow = new QHBoxLayout;
    offsetRow->addWidget(offset_);
    offsetRow->addWidget(showOffset_);
    offsetRow->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel"));

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(positions_);
    main->addLayout(height);
    main->addLayout(offsetRow);
    main->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &WaypointEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &WaypointEditor::reject);
    connect(name_, &QLineEdit::textEdited, this, &WaypointEditor::nameEdited);
    connect(offset_, &QPushButton::clicked, this, &WaypointEditor::pressOffset);
    connect(showOffset_, &QCheckBox::toggled, this, &WaypointEditor::showOffsetToggled);
}

platform::Prompter& WaypointEditor::prompter() const {
    return engine_.prompter();
}

QLineEdit* WaypointEditor::addPositionField(const QString& captionText,
                                            const QString& accessibleName, int row, int column) {
    QLineEdit* field = ui::numberField(accessibleName, QString(), this);
    if (!captionText.isEmpty()) positions_->addWidget(caption(captionText, field, this), row, 0);
    positions_->addWidget(field, row, column);
    positionFields_.append(field);
    return field;
}

QComboBox* WaypointEditor::addChoiceList(const QStringList& items, const QString& accessibleName,
                                         int row, int column) {
    auto* list = new QComboBox(this);
    list->addItems(items);
    list->setAccessibleName(accessibleName);
    positions_->addWidget(list, row, column);
    positionFields_.append(list);
    return list;
}

QComboBox* WaypointEditor::addHemisphereList(const char* positive, const char* negative,
                                             const QString& accessibleName, int row, int column) {
    return addChoiceList({QString::fromLatin1(positive), QString::fromLatin1(negative)},
                         accessibleName, row, column);
}

void WaypointEditor::setHemisphere(QComboBox& list, bool negative) {
    list.setCurrentIndex(negative ? 1 : 0);
}

double WaypointEditor::withHemisphere(const QComboBox& list, double value) {
    return list.currentIndex() == 1 ? -value : value;
}

QString WaypointEditor::fieldText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.16f", value);
    return QString::fromLatin1(text);
}

bool WaypointEditor::refuseAbove(QLineEdit& field, double value, double high) const {
    if (value <= high) return false;
    prompter().message(data::numberRangeRefusal(0, high));
    field.setFocus();
    field.selectAll();
    return true;
}

void WaypointEditor::startNew(int slot, int number) {
    slot_ = slot;
    number_->setText(QString::number(number));
    name_->setText(QStringLiteral("WP%1").arg(slot + 1));
    entry_ = data::WaypointEntry{};
    start(0, 0, 0);
}

void WaypointEditor::startEdit(const engine::Waypoint& w) {
    number_->setText(QString::number(w.number));
    name_->setText(QString::fromStdU16String(std::u16string(w.name)));
    entry_ = data::WaypointEntry{};
    entry_.offsetOn = w.offsetOn != 0;
    entry_.offsetSlope = w.offsetSlope;
    entry_.offsetDirection = w.offsetDirection;
    entry_.offsetDistance = w.offsetDistance;
    entry_.declination = w.declination;
    entry_.directionRef = w.directionRef;
    start(w.latitude, w.longitude, w.altitude);
}

void WaypointEditor::start(double latitude, double longitude, double altitude) {
    const engine::Settings& settings = engine_.settings;
    feet_ = settings.Units != geodesy::Metric && settings.Units != geodesy::Meters;
    elevationUnit_->setText(feet_ ? QStringLiteral("ft") : QStringLiteral("m"));
    const geodesy::LocalPosition local =
        geodesy::toLocalDatum(geodesy::datumTable(), settings.Datum, latitude, longitude, altitude);
    baseLatitude_ = shownLatitude_ = local.latitude;
    baseLongitude_ = shownLongitude_ = local.longitude;
    baseAltitude_ = shownAltitude_ = local.altitude;
    positionChanged_ = false;
    {
        const QSignalBlocker quiet(showOffset_);
        showOffset_->setChecked(entry_.offsetOn);
    }
    showOffset_->setEnabled(entry_.offsetOn);
    if (entry_.offsetOn) applyOffsetToShown();
    lockPositionFields(entry_.offsetOn);
    showShown();
}

void WaypointEditor::showShown() {
    showPosition(shownLatitude_, shownLongitude_);
    elevation_->setText(
        shortestText(feet_ ? shownAltitude_ * geodesy::kFeetPerMetre : shownAltitude_));
}

void WaypointEditor::applyOffsetToShown() {
    const geodesy::OffsetPosition moved =
        geodesy::applyOffset(geodesy::datumTable(), engine_.settings.Datum,
                             {baseLatitude_, baseLongitude_, baseAltitude_}, entry_.offsetDistance,
                             entry_.offsetSlope, entry_.offsetDirection);
    shownLatitude_ = moved.latitude;
    shownLongitude_ = moved.longitude;
    shownAltitude_ = moved.altitude;
}

void WaypointEditor::lockPositionFields(bool locked) {
    locked_ = locked;
    for (QWidget* field : positionFields_)
        field->setEnabled(!locked);
    elevation_->setEnabled(!locked);
}

bool WaypointEditor::takePositionFields() {
    // While the offset is shown the fields hold the moved position, which is never the base.
    if (locked_) return true;
    double latitude = 0, longitude = 0;
    if (!readPosition(latitude, longitude)) return false;
    const std::optional<double> typed =
        ui::readNumber(*elevation_, -kMaxElevation, kMaxElevation, prompter());
    if (!typed) return false;
    const double altitude = feet_ ? *typed / geodesy::kFeetPerMetre : *typed;
    if (std::fabs(latitude - baseLatitude_) > kChangeTolerance ||
        std::fabs(longitude - baseLongitude_) > kChangeTolerance ||
        std::fabs(altitude - baseAltitude_) > kChangeTolerance) {
        baseLatitude_ = latitude;
        baseLongitude_ = longitude;
        baseAltitude_ = altitude;
        positionChanged_ = true;
    }
    shownLatitude_ = baseLatitude_;
    shownLongitude_ = baseLongitude_;
    shownAltitude_ = baseAltitude_;
    return true;
}

void WaypointEditor::pressOffset() {
    if (!takePositionFields()) return;
    const engine::OffsetReference reference = engine::offsetReference(engine_);
    data::OffsetInputValues values = data::offsetInputShown(
        entry_.offsetDistance, entry_.offsetDirection, entry_.offsetSlope, engine_.settings.Units,
        reference.directionRef, reference.declination);
    for (;;) {
        if (!askOffset_(values, prompter(), this)) return; // Cancel changes nothing
        const std::string refusal = data::offsetInputRefusal(values);
        if (refusal.empty()) break;
        prompter().message(refusal);
    }
    const data::OffsetTaken taken = data::offsetInputTaken(values);
    entry_.offsetOn = taken.offsetOn;
    if (taken.offsetOn) {
        entry_.offsetDistance = static_cast<float>(taken.distance);
        entry_.offsetDirection = static_cast<float>(taken.direction);
        entry_.offsetSlope = static_cast<float>(taken.slope);
        entry_.directionRef = reference.directionRef;
        entry_.declination = reference.declination;
        applyOffsetToShown();
    } else {
        entry_.offsetDistance = entry_.offsetDirection = entry_.offsetSlope = 0;
        entry_.directionRef = engine::kNoDirectionRef;
        entry_.declination = 0;
        shownLatitude_ = baseLatitude_;
        shownLongitude_ = baseLongitude_;
        shownAltitude_ = baseAltitude_;
    }
    {
        const QSignalBlocker quiet(showOffset_);
        showOffset_->setChecked(taken.offsetOn);
    }
    showOffset_->setEnabled(taken.offsetOn);
    lockPositionFields(taken.offsetOn);
    showShown();
}

void WaypointEditor::setShowOffset(bool on) {
    if (showOffset_->isEnabled()) showOffset_->setChecked(on);
}

void WaypointEditor::showOffsetToggled(bool on) {
    if (on) {
        if (!takePositionFields()) {
            const QSignalBlocker quiet(showOffset_);
            showOffset_->setChecked(false);
            return;
        }
        applyOffsetToShown();
    } else {
        shownLatitude_ = baseLatitude_;
        shownLongitude_ = baseLongitude_;
        shownAltitude_ = baseAltitude_;
    }
    lockPositionFields(on);
    showShown();
}

void WaypointEditor::nameEdited(const QString& text) {
    const std::u16string typed = text.toStdU16String();
    if (!data::nameReachesLimit(typed)) return;
    prompter().message(data::kMsgNameTooLong);
    const std::u16string kept = data::enteredWaypointName(typed);
    if (kept.size() < typed.size()) name_->setText(QString::fromStdU16String(kept));
}

void WaypointEditor::accept() {
    if (!takePositionFields()) return;
    entry_.name = data::enteredWaypointName(name_->text().toStdU16String());
    const geodesy::LocalPosition wgs84 =
        geodesy::fromLocalDatum(geodesy::datumTable(), engine_.settings.Datum, baseLatitude_,
                                baseLongitude_, baseAltitude_);
    entry_.latitude = wgs84.latitude;
    entry_.longitude = wgs84.longitude;
    entry_.altitude = wgs84.altitude;
    QDialog::accept();
}

std::unique_ptr<WaypointEditor> makeWaypointEditor(engine::GpsEngine& engine, int32_t format,
                                                   QWidget* parent) {
    switch (format) {
    case geodesy::FormatDM:
        return std::make_unique<CWayptDM>(engine, parent);
    case geodesy::FormatDMS:
        return std::make_unique<CWayptDMS>(engine, parent);
    case geodesy::FormatUTM:
        return std::make_unique<CWayptUTM>(engine, parent);
    default:
        return std::make_unique<CWayPt>(engine, parent);
    }
}
