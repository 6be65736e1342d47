#pragma once
// The "Mask" page of the configuration sheet: the quality masks a position must pass to be marked
// or typed by the keyboard wedge, each a switch with its limit.

#include "ui/ConfigPage.h"

class QCheckBox;

namespace ui {
class ConfigNumberField;
class ValueField;
} // namespace ui

class CCnfQuality : public ui::ConfigPage {
    Q_OBJECT
public:
    explicit CCnfQuality(ui::ConfigContext& context, QWidget* parent = nullptr);

    // The EHE limit is kept in metres and shown in the unit system's length unit of this showing.
    void load() override;
    void apply() override;

    // Limits the user may type (EHE in the unit it is shown in).
    static constexpr double kMinPdop = 0.1;
    static constexpr double kMaxPdop = 50.0;
    static constexpr double kMaxEhe = 100000.0;
    static constexpr double kMaxElevation = 90.0;
    static constexpr double kMaxSnr = 99.0;

private:
    QCheckBox* maskPdop_;
    ui::ConfigNumberField* maxPdop_;
    QCheckBox* maskEhe_;
    ui::ConfigNumberField* maxEhe_;
    ui::ValueField* eheUnit_;
    QCheckBox* maskDgps_;
    QCheckBox* mask3d_;
    QCheckBox* maskElev_;
    ui::ConfigNumberField* minElev_;
    QCheckBox* maskSnr_;
    ui::ConfigNumberField* minSnr_;
    // The EHE field shows metres (else feet). Fixed at load: a typed limit is read in the unit it
    // was typed in, even when the unit system changes on another page of the same showing.
    bool eheInMetres_ = false;
    double maxEheMetres_ = 0;
};
