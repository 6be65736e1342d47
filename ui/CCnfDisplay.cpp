#include "ui/CCnfDisplay.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cstdio>
#include <iterator>
#include <optional>

#include "engine/GpsEngine.h"
#include "platform/Prompter.h"
#include "ui/ConfigControls.h"
#include "ui/ConfigNumberField.h"
#include "ui/DatumNames.h"

namespace {

// The Heading setting of each entry of the heading list.
constexpr char kHeadings[] = {'T', 'A', 'M', 'W'};
constexpr int kManualMag = 2;
constexpr int kUnitSystems = 5;
constexpr int kFormats = 4;

int indexWithin(int value, int count) {
    return value >= 0 && value < count ? value : 0;
}

} // namespace

CCnfDisplay::CCnfDisplay(ui::ConfigContext& context, const geodesy::DatumTable& table,
                         QWidget* parent)
    : ui::ConfigPage(context, parent), table_(table),
      datum_(ui::configList(QStringLiteral("Datum"), ui::datumNames(table), this)),
      units_(ui::configList(QStringLiteral("Units"),
                            {"Statute", "Metric", "Nautical", "Feet", "Meters"}, this)),
      heading_(ui::configList(QStringLiteral("Heading"),
                              {"True", "Auto Mag", "Manual Mag", "WMM 2K"}, this)),
      declination_(new ui::ConfigNumberField(QStringLiteral("Declination"), "%.2f", kMinDeclination,
                                             kMaxDeclination, this)),
      format_(ui::configList(QStringLiteral("Format"),
                             {"ddd.ddddddd", "dd mm.mmmm", "ddd mm ss.ss", "UTM"}, this)),
      altitudeRef_(ui::configList(QStringLiteral("Altitude Ref"), {"HAE", "MSL"}, this)) {
    auto* form = new QFormLayout;
    form->addRow(ui::configCaption(QStringLiteral("Datum"), datum_, this), datum_);
    form->addRow(ui::configCaption(QStringLiteral("Units"), units_, this), units_);
    auto* headingRow = new QHBoxLayout;
    headingRow->addWidget(heading_, 1);
    headingRow->addWidget(declination_);
    form->addRow(ui::configCaption(QStringLiteral("Heading"), heading_, this), headingRow);
    form->addRow(ui::configCaption(QStringLiteral("Format"), format_, this), format_);
    form->addRow(ui::configCaption(QStringLiteral("Altitude Ref"), altitudeRef_, this),
                 altitudeRef_);
    auto* page = new QVBoxLayout(this);
    page->addWidget(ui::configText(
        QStringLiteral("Units for Display, Keyboard wedge and Memory exchange."), this));
    page->addLayout(form);
    page->addStretch(1);

    // Every list's choice is an edit; a refused one has already shown the stored values again.
    for (QComboBox* list : {datum_, units_, format_, altitudeRef_})
        connect(list, &QComboBox::activated, this, [this] { acceptEdit(); });
    connect(heading_, &QComboBox::activated, this, [this] {
        if (acceptEdit()) showDeclination();
    });
    connect(declination_, &ui::ConfigNumberField::edited, this, [this] {
        if (!acceptEdit()) return;
        if (const std::optional<double> typed = declination_->takeTyped(prompter()))
            userDeclination_ = *typed;
    });
}

void CCnfDisplay::load() {
    const engine::Settings& s = settings();
    int datum = 0;
    if (table_.findDatum(s.Datum, datum) != 0) {
        prompter().message(kDatumNotDefined);
        if (table_.findDatum("WGE", datum) != 0) datum = 1;
    }
    ui::showIndex(*datum_, datum - 1);
    ui::showIndex(*units_, indexWithin(s.Units, kUnitSystems));
    int heading = 0;
    for (int i = 0; i < static_cast<int>(std::size(kHeadings)); ++i)
        if (kHeadings[i] == s.Heading) heading = i;
    ui::showIndex(*heading_, heading);
    userDeclination_ = s.HeadingUserDecl;
    showDeclination();
    ui::showIndex(*format_, indexWithin(s.Format, kFormats));
    ui::showIndex(*altitudeRef_, s.AltitudeRef == 'M' ? 1 : 0);
}

void CCnfDisplay::showDeclination() {
    const bool manual = heading_->currentIndex() == kManualMag;
    declination_->setEnabled(manual);
    declination_->showValue(manual ? userDeclination_ : 0.0);
}

void CCnfDisplay::apply() {
    engine::Settings& s = settings();
    s.Units = indexWithin(units_->currentIndex(), kUnitSystems);
    const int heading = heading_->currentIndex();
    s.Heading =
        heading >= 0 && heading < static_cast<int>(std::size(kHeadings)) ? kHeadings[heading] : 'T';
    if (s.Heading == 'M') s.HeadingUserDecl = static_cast<float>(userDeclination_);
    s.AltitudeRef = altitudeRef_->currentIndex() == 1 ? 'M' : 'H';
    s.Format = indexWithin(format_->currentIndex(), kFormats);

    char code[geodesy::kDatumCodeSize] = {};
    if (table_.datumCode(datum_->currentIndex() + 1, code) != 0 || code[0] == '\0') {
        prompter().message(kInvalidDatum);
        std::snprintf(s.Datum, sizeof s.Datum, "%s", "WGE");
    } else {
        std::snprintf(s.Datum, sizeof s.Datum, "%s", code);
    }
}
