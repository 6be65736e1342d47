#include "ui/CNav.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QResizeEvent>
#include <QTreeView>

#include "engine/GpsEngine.h"
#include "platform/Utf.h"
#include "ui/CComp.h"
#include "ui/CMultiComb.h"
#include "ui/ValueField.h"

namespace {

constexpr int kHereToFields = 5; // Distance, Bearing, Track, Speed, XTE
constexpr int kFromToFields = 2; // Distance, Azimuth

QString text(const char16_t* value) {
    return QString::fromUtf16(value);
}

ui::ValueField* valueField(QWidget* parent, const char16_t* initial, const char* name,
                           bool sunken = false) {
    auto* field = new ui::ValueField(text(initial), QString::fromLatin1(name), parent);
    field->setMinimumWidth(1); // a long text is cut rather than widening the screen
    if (sunken) field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return field;
}

QLabel* caption(QWidget* parent, const char* text, QWidget* field) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setBuddy(field);
    return label;
}

QGroupBox* group(QWidget* parent, const char* title) {
    auto* box = new QGroupBox(QString::fromLatin1(title), parent);
    box->setAccessibleName(box->title());
    return box;
}

// The texts before the first update: the four values and XTE of "Here -> To" two blanks, the
// quality "No Fix", the others empty. An update leaves the texts it does not compute as they are.
engine::NavigationDisplay initialDisplay() {
    engine::NavigationDisplay d;
    for (char16_t* t : {d.hereToDistance, d.hereToBearing, d.track, d.speed, d.crossTrack})
        platform::fromUtf8("  ", t, engine::NavigationDisplay::kTextCapacity);
    platform::fromUtf8("No Fix", d.status, engine::NavigationDisplay::kStatusCapacity);
    return d;
}

} // namespace

CNav::CNav(engine::GpsEngine& engine, QWidget* parent)
    : ui::Screen(parent), engine_(engine), navigator_(engine), display_(initialDisplay()),
      from_(new CMultiComb(engine, navigator_, true, this)),
      to_(new CMultiComb(engine, navigator_, true, this)), compass_(new CComp(this)),
      hereTo_(group(this, "Here -> To")), fromTo_(group(this, "From -> To")),
      fromCaption_(caption(this, "From", from_)), toCaption_(caption(this, "To", to_)),
      hereToDistance_(valueField(hereTo_, display_.hereToDistance, "Here -> To Distance")),
      bearing_(valueField(hereTo_, display_.hereToBearing, "Bearing")),
      track_(valueField(hereTo_, display_.track, "Track")),
      speed_(valueField(hereTo_, display_.speed, "Speed")),
      crossTrack_(valueField(hereTo_, display_.crossTrack, "XTE")),
      fromToDistance_(valueField(fromTo_, display_.fromToDistance, "From -> To Distance")),
      azimuth_(valueField(fromTo_, display_.fromToAzimuth, "Azimuth")),
      quality_(valueField(this, display_.status, "Quality", true)),
      mag_(valueField(this, display_.magText, "Mag", true)),
      pdop_(valueField(this, display_.pdop, "PDOP", true)),
      ehe_(valueField(this, display_.ehe, "EHE", true)) {
    from_->setAccessibleName(QStringLiteral("From"));
    to_->setAccessibleName(QStringLiteral("To"));
    from_->list()->setAccessibleName(QStringLiteral("From waypoints"));
    to_->list()->setAccessibleName(QStringLiteral("To waypoints"));
    const char* names[] = {"Distance", "Bearing", "Track",   "Speed", "XTE",
                           "Distance", "Azimuth", "Quality", "Mag"};
    ui::ValueField* fields[] = {hereToDistance_, bearing_, track_,   speed_, crossTrack_,
                                fromToDistance_, azimuth_, quality_, mag_};
    for (int i = 0; i < 9; ++i)
        captions_[i] = caption(fields[i]->parentWidget(), names[i], fields[i]);
    arrange(true);
}

int CNav::navigationSelection(int pickerSelection) {
    return pickerSelection >= 0 ? pickerSelection : engine::kHereSelection;
}

void CNav::refresh() {
    if (headersStale_) {
        from_->setDistanceHeader(engine_.settings.Units);
        to_->setDistanceHeader(engine_.settings.Units);
        headersStale_ = false;
    }
    navigator_.updateNavigation(navigationSelection(from_->selection()),
                                navigationSelection(to_->selection()), display_);
    hereToDistance_->setValue(text(display_.hereToDistance));
    bearing_->setValue(text(display_.hereToBearing));
    track_->setValue(text(display_.track));
    speed_->setValue(text(display_.speed));
    crossTrack_->setValue(text(display_.crossTrack));
    fromToDistance_->setValue(text(display_.fromToDistance));
    azimuth_->setValue(text(display_.fromToAzimuth));
    quality_->setValue(text(display_.status));
    mag_->setValue(text(display_.magText));
    pdop_->setValue(text(display_.pdop));
    ehe_->setValue(text(display_.ehe));
    if (display_.compassChanged)
        compass_->setValues(display_.compassTrack, display_.compassBearing);
}

void CNav::reloadWaypointLists() {
    from_->reload();
    to_->reload();
}

void CNav::arrange(bool landscape) {
    landscape_ = landscape;
    from_->setLandscape(landscape);
    to_->setLandscape(landscape);
    // The widgets stay; only the layouts are built anew, so selections and texts are kept.
    delete layout();
    delete hereTo_->layout();
    delete fromTo_->layout();

    auto* pickers = new QGridLayout;
    pickers->addWidget(fromCaption_, 0, 0);
    pickers->addWidget(from_, 0, 1);
    pickers->addWidget(toCaption_, 1, 0);
    pickers->addWidget(to_, 1, 1);
    pickers->setColumnStretch(1, 1);

    ui::ValueField* hereToFields[] = {hereToDistance_, bearing_, track_, speed_, crossTrack_};
    if (landscape) {
        auto* grid = new QGridLayout(hereTo_);
        for (int i = 0; i < kHereToFields; ++i) {
            grid->addWidget(captions_[i], i, 0);
            grid->addWidget(hereToFields[i], i, 1);
        }
        grid->setColumnStretch(1, 1);
    } else {
        auto* column = new QVBoxLayout(hereTo_); // each value under its caption
        for (int i = 0; i < kHereToFields; ++i) {
            column->addWidget(captions_[i]);
            column->addWidget(hereToFields[i]);
        }
        column->addStretch(1);
    }
    auto* fromToGrid = new QGridLayout(fromTo_);
    fromToGrid->addWidget(captions_[kHereToFields], 0, 0);
    fromToGrid->addWidget(fromToDistance_, 0, 1);
    fromToGrid->addWidget(captions_[kHereToFields + 1], 1, 0);
    fromToGrid->addWidget(azimuth_, 1, 1);
    fromToGrid->setColumnStretch(1, 1);

    QLabel* qualityCaption = captions_[kHereToFields + kFromToFields];
    QLabel* magCaption = captions_[kHereToFields + kFromToFields + 1];
    auto* quality = new QGridLayout;
    if (landscape) {
        quality->addWidget(qualityCaption, 0, 0);
        quality->addWidget(quality_, 0, 1);
        quality->addWidget(pdop_, 0, 2);
        quality->addWidget(magCaption, 1, 0);
        quality->addWidget(mag_, 1, 1);
        quality->addWidget(ehe_, 1, 2);
        quality->setColumnStretch(1, 1);
        quality->setColumnStretch(2, 1);

        auto* left = new QVBoxLayout;
        left->addLayout(pickers);
        left->addWidget(compass_, 1);
        auto* right = new QVBoxLayout;
        right->addWidget(hereTo_);
        right->addWidget(fromTo_);
        right->addLayout(quality);
        right->addStretch(1);
        auto* main = new QHBoxLayout(this);
        main->addLayout(left, 1);
        main->addLayout(right, 1);
    } else {
        quality->addWidget(pdop_, 0, 0, 1, 2);
        quality->addWidget(ehe_, 1, 0, 1, 2);
        quality->addWidget(qualityCaption, 2, 0);
        quality->addWidget(quality_, 2, 1);
        quality->addWidget(magCaption, 3, 0);
        quality->addWidget(mag_, 3, 1);
        quality->setColumnStretch(1, 1);

        auto* main = new QGridLayout(this);
        main->addLayout(pickers, 0, 0);
        main->addLayout(quality, 0, 1);
        main->addWidget(compass_, 1, 0);
        main->addWidget(hereTo_, 1, 1, 2, 1);
        main->addWidget(fromTo_, 2, 0);
        main->setColumnStretch(0, 1);
        main->setColumnStretch(1, 1);
        main->setRowStretch(1, 1);
    }
    // Compact, so that both layouts fit a quarter-VGA window.
    for (QLayout* l : {layout(), hereTo_->layout(), fromTo_->layout()}) {
        l->setContentsMargins(2, 2, 2, 2);
        l->setSpacing(1);
    }
    layout()->activate();
}

void CNav::resizeEvent(QResizeEvent* event) {
    // Square or wider is landscape.
    const bool landscape = event->size().width() >= event->size().height();
    if (landscape != landscape_) arrange(landscape);
    ui::Screen::resizeEvent(event);
}
