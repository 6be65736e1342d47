#include "ui/COffsetInput.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

#include "ui/NumberEntry.h"

namespace {

QString shown(double value) {
    return QString::number(value, 'g', 12);
}

QLabel* namedLabel(const std::string& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setAccessibleName(name);
    return label;
}

} // namespace

COffsetInput::COffsetInput(const data::OffsetInputValues& values, platform::Prompter& prompter,
                           QWidget* parent)
    : QDialog(parent), values_(values), prompter_(prompter),
      distance_(ui::numberField(QStringLiteral("Distance"), shown(values.distance), this)),
      direction_(ui::numberField(QStringLiteral("Direction"), shown(values.direction), this)),
      slope_(ui::numberField(QStringLiteral("Slope"), shown(values.slope), this)) {
    setWindowTitle(QStringLiteral("Offset Input"));
    setAccessibleName(windowTitle());

    auto* form = new QFormLayout(this);
    auto* distanceRow = new QHBoxLayout;
    distanceRow->addWidget(distance_, 1);
    distanceRow->addWidget(namedLabel(values.unitLabel, QStringLiteral("Unit"), this));
    form->addRow(QStringLiteral("Distance"), distanceRow);
    form->addRow(QStringLiteral("Direction"), direction_);
    form->addRow(QString(), namedLabel(values.referenceLabel, QStringLiteral("Reference"), this));
    form->addRow(QStringLiteral("Slope"), slope_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (QAbstractButton* b : buttons->buttons())
        b->setAccessibleName(b->text().remove(QLatin1Char('&')));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &COffsetInput::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COffsetInput::reject);
}

bool COffsetInput::ask(data::OffsetInputValues& values, platform::Prompter& prompter,
                       QWidget* parent) {
    COffsetInput dialog(values, prompter, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    values = dialog.values();
    return true;
}

void COffsetInput::accept() {
    using data::kOffsetMaxAngle;
    const std::optional<double> distance =
        ui::readNumber(*distance_, 0, data::kOffsetMaxDistance, prompter_);
    if (!distance) return;
    const std::optional<double> direction =
        ui::readNumber(*direction_, -kOffsetMaxAngle, kOffsetMaxAngle, prompter_);
    if (!direction) return;
    const std::optional<double> slope =
        ui::readNumber(*slope_, -kOffsetMaxAngle, kOffsetMaxAngle, prompter_);
    if (!slope) return;
    values_.distance = *distance;
    values_.direction = *direction;
    values_.slope = *slope;
    QDialog::accept();
}
