#include "ui/CConvFile.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include "engine/Settings.h"
#include "geodesy/DatumTable.h"
#include "ui/DatumNames.h"

namespace {

QComboBox* list(QWidget* parent, const char* name, const QStringList& items, int selected) {
    auto* combo = new QComboBox(parent);
    combo->setAccessibleName(QString::fromLatin1(name));
    combo->addItems(items);
    combo->setCurrentIndex(selected >= 0 && selected < items.size() ? selected : 0);
    return combo;
}

QPushButton* pushButton(QWidget* parent, const char* text) {
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setAccessibleName(b->text());
    return b;
}

} // namespace

CConvFile::CConvFile(const engine::Settings& settings, const geodesy::DatumTable& table,
                     QWidget* parent)
    : QDialog(parent), form_(new QFormLayout) {
    setWindowTitle(QStringLiteral("Convert Waypt File"));
    setAccessibleName(windowTitle());

    int datumIndex = 0;
    if (table.findDatum(settings.Datum, datumIndex) != 0) datumIndex = 1;
    datum_ = list(this, "Datum", ui::datumNames(table), datumIndex - 1);
    units_ =
        list(this, "Units", {"Statute", "Metric", "Nautical", "Feet", "Meters"}, settings.Units);
    format_ = list(this, "Format", {"DD", "DM", "DMS", "UTM"}, settings.Format);
    altitudeRef_ = list(this, "Altitude Ref", {"HAE", "MSL"}, settings.AltitudeRef == 'M' ? 1 : 0);
    // Shown for what the file's altitudes are; the conversion writes them as recorded.
    altitudeRef_->setEnabled(false);

    auto* heading = new QLabel(QStringLiteral("Convert From WGS84, Decimal Degree to:"), this);
    heading->setAccessibleName(heading->text());
    heading->setWordWrap(true);
    for (QComboBox* combo : {datum_, units_, format_, altitudeRef_}) {
        auto* label = new QLabel(combo->accessibleName(), this);
        label->setAccessibleName(label->text());
        label->setBuddy(combo);
        form_->addRow(label, combo);
    }

    QPushButton* next = pushButton(this, "Next");
    QPushButton* cancel = pushButton(this, "Cancel");
    next->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(next);
    buttons->addWidget(cancel);

    auto* main = new QVBoxLayout(this);
    main->addWidget(heading);
    main->addLayout(form_);
    main->addStretch(1);
    main->addLayout(buttons);
    connect(next, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    arrange(false);
}

data::ConversionOptions CConvFile::options() const {
    data::ConversionOptions options;
    options.datumIndex = datum_->currentIndex() + 1;
    options.units = units_->currentIndex();
    options.format = format_->currentIndex();
    return options;
}

void CConvFile::arrange(bool landscape) {
    landscape_ = landscape;
    form_->setRowWrapPolicy(landscape ? QFormLayout::DontWrapRows : QFormLayout::WrapAllRows);
}

void CConvFile::resizeEvent(QResizeEvent* event) {
    const bool landscape = event->size().width() > event->size().height();
    if (landscape != landscape_) arrange(landscape);
    QDialog::resizeEvent(event);
}
