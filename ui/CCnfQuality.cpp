#include "ui/CCnfQuality.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <optional>

#include "engine/GpsEngine.h"
#include "geodesy/Constants.h"
#include "geodesy/Formatter.h"
#include "ui/ConfigControls.h"
#include "ui/ConfigNumberField.h"
#include "ui/ValueField.h"

CCnfQuality::CCnfQuality(ui::ConfigContext& context, QWidget* parent)
    : ui::ConfigPage(context, parent), maskPdop_(ui::configCheck(QStringLiteral("Max PDOP"), this)),
      maxPdop_(
          new ui::ConfigNumberField(QStringLiteral("Max PDOP"), "%3.1f", kMinPdop, kMaxPdop, this)),
      maskEhe_(ui::configCheck(QStringLiteral("Max EHE"), this)),
      maxEhe_(new ui::ConfigNumberField(QStringLiteral("Max EHE"), "%.1f", 0.0, kMaxEhe, this)),
      eheUnit_(new ui::ValueField(QStringLiteral("ft"), QStringLiteral("EHE unit"), this)),
      maskDgps_(ui::configCheck(QStringLiteral("DGPS Only"), this)),
      mask3d_(ui::configCheck(QStringLiteral("3D Only"), this)),
      maskElev_(ui::configCheck(QStringLiteral("Min Sat. Elevation"), this)),
      minElev_(new ui::ConfigNumberField(QStringLiteral("Min Sat. Elevation"), "%.1f", 0.0,
                                         kMaxElevation, this)),
      maskSnr_(ui::configCheck(QStringLiteral("Min Sat. SNR"), this)),
      minSnr_(
          new ui::ConfigNumberField(QStringLiteral("Min Sat. SNR"), "%.1f", 0.0, kMaxSnr, this)) {
    auto* grid = new QGridLayout;
    const struct {
        QCheckBox* box;
        ui::ConfigNumberField* field;
    } rows[] = {{maskPdop_, maxPdop_}, {maskEhe_, maxEhe_},   {maskDgps_, nullptr},
                {mask3d_, nullptr},    {maskElev_, minElev_}, {maskSnr_, minSnr_}};
    int row = 0;
    for (const auto& r : rows) {
        grid->addWidget(r.box, row, 0);
        if (r.field) grid->addWidget(r.field, row, 1);
        ++row;
    }
    grid->addWidget(eheUnit_, 1, 2);
    grid->setColumnStretch(1, 1);
    auto* page = new QVBoxLayout(this);
    page->addWidget(ui::configText(
        QStringLiteral("Set masking values for Mark point and Keyboard wedge."), this));
    page->addLayout(grid);
    page->addStretch(1);

    // A refused click has already shown the stored switches again.
    for (QCheckBox* box : {maskPdop_, maskEhe_, maskDgps_, mask3d_, maskElev_, maskSnr_})
        connect(box, &QCheckBox::clicked, this, [this] { acceptEdit(); });
    for (ui::ConfigNumberField* field : {maxPdop_, minElev_, minSnr_})
        connect(field, &ui::ConfigNumberField::edited, this, [this, field] {
            if (acceptEdit()) field->takeTyped(prompter());
        });
    connect(maxEhe_, &ui::ConfigNumberField::edited, this, [this] {
        if (!acceptEdit()) return;
        if (const std::optional<double> typed = maxEhe_->takeTyped(prompter()))
            maxEheMetres_ = eheInMetres_ ? *typed : *typed / geodesy::kFeetPerMetre;
    });
}

void CCnfQuality::load() {
    const engine::Settings& s = settings();
    ui::showChecked(*maskPdop_, s.MaskPDOP != 0);
    maxPdop_->showValue(s.MaxPDOP);
    ui::showChecked(*maskEhe_, s.MaskEHE != 0);
    eheInMetres_ = geodesy::altitudeInMetres(s.Units);
    maxEheMetres_ = s.MaxEHE;
    maxEhe_->showValue(eheInMetres_ ? maxEheMetres_ : maxEheMetres_ * geodesy::kFeetPerMetre);
    eheUnit_->setValue(eheInMetres_ ? QStringLiteral("m ") : QStringLiteral("ft"));
    ui::showChecked(*maskDgps_, s.MaskDGPS != 0);
    ui::showChecked(*mask3d_, s.Mask3D != 0);
    ui::showChecked(*maskElev_, s.MaskElev != 0);
    minElev_->showValue(s.MinElev);
    ui::showChecked(*maskSnr_, s.MaskSNR != 0);
    minSnr_->showValue(s.MinSNR);
}

void CCnfQuality::apply() {
    engine::Settings& s = settings();
    s.MaskPDOP = maskPdop_->isChecked() ? 1 : 0;
    s.MaskEHE = maskEhe_->isChecked() ? 1 : 0;
    s.MaskDGPS = maskDgps_->isChecked() ? 1 : 0;
    s.Mask3D = mask3d_->isChecked() ? 1 : 0;
    s.MaskElev = maskElev_->isChecked() ? 1 : 0;
    s.MaskSNR = maskSnr_->isChecked() ? 1 : 0;
    s.MaxPDOP = static_cast<float>(maxPdop_->value());
    s.MaxEHE = static_cast<float>(maxEheMetres_);
    s.MinElev = static_cast<float>(minElev_->value());
    s.MinSNR = static_cast<float>(minSnr_->value());
}
