#include "ui/CCnfSys.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>
#include <optional>

#include "data/MarkController.h"
#include "engine/GpsEngine.h"
#include "platform/Prompter.h"
#include "ui/ConfigControls.h"
#include "ui/NumberEntry.h"

CCnfSys::CCnfSys(ui::ConfigContext& context, QWidget* parent)
    : ui::ConfigPage(context, parent),
      averaging_(ui::configCheck(QStringLiteral("Point Averaging"), this)),
      points_(ui::numberField(QStringLiteral("Num of Points"), QString(), this)),
      exchangeFile_(ui::configCheck(QStringLiteral("Data Exchange File"), this)),
      exportStores_(ui::configCheck(QStringLiteral("Export button saves to waypt file"), this)),
      memExchange_(ui::configCheck(QStringLiteral("Memory Exchange"), this)),
      wedge_(ui::configCheck(QStringLiteral("Keyboard wedge  "), this)),
      otherSatellites_(ui::configCheck(QStringLiteral("Show other constellations"), this)) {
    auto* group = new QGroupBox(QStringLiteral("Mark Point Options"), this);
    group->setAccessibleName(group->title());
    auto* form = new QFormLayout(group);
    form->addRow(averaging_);
    form->addRow(QStringLiteral("Num of Points"), points_);
    form->addRow(exchangeFile_);
    form->addRow(exportStores_);
    form->addRow(memExchange_);
    form->addRow(wedge_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(otherSatellites_);
    layout->addStretch(1);

    for (QCheckBox* box : {averaging_, exchangeFile_, exportStores_, otherSatellites_})
        connect(box, &QCheckBox::clicked, this, [this] { acceptEdit(); });
    connect(memExchange_, &QCheckBox::clicked, this, [this] {
        if (acceptEdit()) this->context().memExchangeToggled = true;
    });
    connect(wedge_, &QCheckBox::clicked, this, [this](bool ticked) {
        if (acceptEdit() && ticked) prompter().message(kWedgeWait);
    });
    connect(points_, &QLineEdit::editingFinished, this, &CCnfSys::pointsEdited);
    load();
}

void CCnfSys::load() {
    const engine::Settings& s = settings();
    const QSignalBlocker blockers[] = {
        QSignalBlocker(averaging_),      QSignalBlocker(points_),
        QSignalBlocker(exchangeFile_),   QSignalBlocker(exportStores_),
        QSignalBlocker(memExchange_),    QSignalBlocker(wedge_),
        QSignalBlocker(otherSatellites_)};
    averaging_->setChecked(s.PointAveraging != 0);
    pointsAveraged_ = s.PointsAveraged;
    points_->setText(QString::number(pointsAveraged_));
    exchangeFile_->setChecked(s.DataExchange != 0);
    exportStores_->setChecked(s.EXPTWPT != 0);
    memExchange_->setChecked(s.MemExchange != 0);
    wedge_->setChecked(s.KWDG != 0);
    otherSatellites_->setChecked(s.ShowOtherSatellites != 0);
}

void CCnfSys::pointsEdited() {
    // A refusal's message takes the focus, which finishes the edit once more while the refused
    // text is still shown: that second call is not a new edit.
    if (checkingPoints_ || points_->text() == QString::number(pointsAveraged_)) return;
    checkingPoints_ = true;
    if (acceptEdit()) {
        const std::optional<int> number = ui::readInteger(*points_, data::kMinPointsAveraged,
                                                          data::kMaxPointsAveraged, prompter());
        if (number) pointsAveraged_ = *number;
        points_->setText(QString::number(pointsAveraged_));
        if (!number) points_->selectAll();
    }
    checkingPoints_ = false;
}

void CCnfSys::apply() {
    engine::Settings& s = settings();
    s.DataExchange = exchangeFile_->isChecked() ? 1 : 0;
    s.MemExchange = memExchange_->isChecked() ? 1 : 0;
    s.PointAveraging = averaging_->isChecked() ? 1 : 0;
    s.PointsAveraged = pointsAveraged_;
    s.KWDG = wedge_->isChecked() ? 1 : 0;
    s.EXPTWPT = exportStores_->isChecked() ? 1 : 0;
    s.ShowOtherSatellites = otherSatellites_->isChecked() ? 1 : 0;
}
