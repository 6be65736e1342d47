#include "ui/CGPS.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <mutex>

#include "engine/GpsEngine.h"
#include "ui/CDiag.h"
#include "ui/CSatPic.h"
#include "ui/CSatStrn.h"
#include "ui/GpsScreenTexts.h"
#include "ui/SatelliteSnapshot.h"
#include "ui/ValueField.h"

namespace {

ui::ValueField* textField(QWidget* parent, const char* initial, const char* name) {
    auto* label =
        new ui::ValueField(QString::fromLatin1(initial), QString::fromLatin1(name), parent);
    // A long position text is cut rather than widening the screen beyond the window.
    label->setMinimumWidth(1);
    return label;
}

} // namespace

CGPS::CGPS(engine::GpsEngine& engine, QWidget* parent)
    : ui::Screen(parent), engine_(engine), main_(new QBoxLayout(QBoxLayout::TopToBottom, this)),
      position_(textField(this, "  ", "Position")), elevation_(textField(this, "  ", "Elevation")),
      status_(textField(this, "  ", "Status")), pdop_(textField(this, "PDOP", "PDOP")),
      ehe_(textField(this, "EHE", "EHE")), skyPlot_(new CSatPic(this)),
      signalBars_(new CSatStrn(this)) {
    auto* diag = new QPushButton(QStringLiteral("Diag"), this);
    diag->setAccessibleName(diag->text());
    diag->setAutoDefault(false);

    auto* texts = new QVBoxLayout;
    for (QLabel* field : {position_, elevation_, status_, pdop_, ehe_})
        texts->addWidget(field);
    texts->addStretch(1);
    texts->addWidget(diag);
    auto* pictures = new QHBoxLayout;
    pictures->addWidget(skyPlot_, 1);
    pictures->addWidget(signalBars_, 1);
    main_->addLayout(texts);
    main_->addLayout(pictures, 1);

    connect(diag, &QPushButton::clicked, this, &CGPS::openDiagnostics);
    arrange(false);
}

void CGPS::refresh() {
    if (diagnostics_) diagnostics_->refresh();
    if (!isVisible() || paused_) return;
    ui::GpsScreenTexts texts;
    ui::SatelliteSnapshot satellites;
    ui::SatelliteSnapshot used;
    {
        // Only tried: a busy engine skips this redraw rather than hold up the interface.
        std::unique_lock<std::mutex> held(engine_.lock(), std::try_to_lock);
        if (!held.owns_lock()) return;
        texts = ui::gpsScreenTexts(engine_);
        satellites = ui::takeSatelliteSnapshot(engine_);
        used = ui::takeSatelliteSnapshot(engine_, true);
    }
    position_->setValue(QString::fromStdU16String(texts.position));
    elevation_->setValue(QString::fromStdU16String(texts.elevation));
    status_->setValue(QString::fromStdU16String(texts.status));
    pdop_->setValue(QString::fromStdU16String(texts.pdop));
    ehe_->setValue(QString::fromStdU16String(texts.ehe));
    skyPlot_->setSnapshot(satellites);
    signalBars_->setSnapshot(used);
}

void CGPS::openDiagnostics() {
    CDiag dialog(engine_, this, this);
    diagnostics_ = &dialog;
    dialog.exec();
    diagnostics_ = nullptr;
}

void CGPS::arrange(bool landscape) {
    landscape_ = landscape;
    main_->setDirection(landscape ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    signalBars_->setLandscape(landscape);
    main_->activate();
}

void CGPS::resizeEvent(QResizeEvent* event) {
    const bool landscape = event->size().width() > event->size().height();
    if (landscape != landscape_) arrange(landscape);
    ui::Screen::resizeEvent(event);
}

namespace ui {

std::unique_ptr<Screen> makeGpsScreen(engine::GpsEngine& engine, QWidget* parent) {
    return std::make_unique<CGPS>(engine, parent);
}

} // namespace ui
