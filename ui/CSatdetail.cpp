#include "ui/CSatdetail.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

CSatdetail::CSatdetail(const ui::SatelliteSnapshot& snapshot, QWidget* parent)
    : QDialog(parent), list_(new QTreeWidget(this)) {
    setWindowTitle(QStringLiteral("Satellite Details"));
    setModal(true);
    list_->setAccessibleName(QStringLiteral("Satellites"));
    list_->setRootIsDecorated(false);
    list_->setColumnCount(5);
    list_->setHeaderLabels({" Sat #", " Azimuth", " Elev", " SNR ", "Used"});
    list_->headerItem()->setTextAlignment(4, Qt::AlignCenter);
    for (const ui::SatelliteEntry& s : snapshot) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, QString::fromStdString(ui::satelliteLabel(s)));
        item->setText(1, QString::number(s.azimuth));
        item->setText(2, QString::number(s.elevation));
        item->setText(3, QString::number(s.snr));
        item->setText(4, s.used ? QStringLiteral("Y") : QStringLiteral("N"));
        item->setTextAlignment(4, Qt::AlignCenter);
    }
    list_->header()->setMinimumSectionSize(40);
    for (int column = 0; column < list_->columnCount(); ++column)
        list_->resizeColumnToContents(column);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    // One list that fills the dialog in either orientation.
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
}
