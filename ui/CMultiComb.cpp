#include "ui/CMultiComb.h"

#include <algorithm>

#include <QHeaderView>
#include <QKeyEvent>
#include <QStandardItemModel>
#include <QTreeView>
#include <mutex>
#include <vector>

#include "engine/GpsEngine.h"
#include "engine/Navigator.h"

namespace {

constexpr int kNumberColumn = 0;
constexpr int kIdColumn = 1;
constexpr int kDistanceColumn = 2;

QList<QStandardItem*> rowItems(int number, const QString& id, double distance, int data) {
    QList<QStandardItem*> items{new QStandardItem(QString::asprintf("%d", number)),
                                new QStandardItem(id),
                                new QStandardItem(QString::asprintf("%7.2f", distance))};
    for (QStandardItem* item : items) {
        item->setData(data, Qt::UserRole);
        item->setEditable(false);
    }
    return items;
}

} // namespace

CMultiComb::CMultiComb(engine::GpsEngine& engine, engine::Navigator& navigator, bool withHere,
                       QWidget* parent)
    : QComboBox(parent), engine_(engine), navigator_(navigator),
      rows_(new QStandardItemModel(0, 3, this)), list_(new QTreeView), withHere_(withHere) {
    rows_->setHorizontalHeaderLabels(
        {QStringLiteral("  #  "), QStringLiteral(" ID  "), distanceHeader(engine.settings.Units)});
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(false);
    setModel(rows_);
    setView(list_);
    setModelColumn(kIdColumn);
    list_->setHeaderHidden(false);
    list_->installEventFilter(this);
    reload();
}

QString CMultiComb::distanceHeader(int units) {
    switch (units) {
    case 0:
    case 3:
        return QStringLiteral(" Distance - ft");
    case 1:
    case 4:
        return QStringLiteral(" Distance - m ");
    default:
        return QStringLiteral(" Distance - nm");
    }
}

QRect CMultiComb::popupRect(const QRect& picker, bool landscape) {
    // Right and bottom edges as the picker's outer edges (one past its last pixel).
    const int right = picker.x() + picker.width() + (landscape ? 150 : 90);
    const int bottom = picker.y() + picker.height() + (landscape ? 100 : 150);
    const int top = picker.y() + picker.height() + 1;
    return {picker.x(), top, right - picker.x(), bottom - top};
}

void CMultiComb::setDistanceHeader(int units) {
    rows_->setHeaderData(kDistanceColumn, Qt::Horizontal, distanceHeader(units));
}

int CMultiComb::rowOf(int data) const {
    for (int row = 0; row < rows_->rowCount(); ++row)
        if (rows_->item(row, kIdColumn)->data(Qt::UserRole).toInt() == data) return row;
    return -1;
}

int CMultiComb::selection() const {
    if (refilling_ || currentIndex() < 0) return kNothing;
    return rows_->item(currentIndex(), kIdColumn)->data(Qt::UserRole).toInt();
}

bool CMultiComb::select(int data) {
    const int row = rowOf(data);
    if (row >= 0) setCurrentIndex(row);
    return row >= 0;
}

void CMultiComb::reload() {
    const int picked = selection();
    refilling_ = true;
    rows_->removeRows(0, rows_->rowCount());
    if (withHere_) rows_->appendRow(rowItems(0, QStringLiteral("Here"), 0.0, kHere));
    // The store is read under the lock and the rows are made after it, so nothing the model's
    // signals set off runs while the reader thread waits.
    struct Row {
        int number;
        QString id;
        double distance;
        int slot;
    };
    std::vector<Row> waypoints;
    {
        std::lock_guard<std::mutex> hold(engine_.lock());
        engine_.waypoints.forEach([&waypoints](int slot, const engine::Waypoint& w) {
            waypoints.push_back({w.number, QString::fromUtf16(w.name), w.distanceFromHere, slot});
        });
    }
    for (const Row& w : waypoints)
        rows_->appendRow(rowItems(w.number, w.id, w.distance, w.slot));
    const int row = rowOf(picked);
    setCurrentIndex(row >= 0 ? row : (rows_->rowCount() > 0 ? 0 : -1));
    refilling_ = false;
}

void CMultiComb::showPopup() {
    navigator_.updateWaypointDistances();
    reload();
    QComboBox::showPopup();
    if (QWidget* popup = list_->parentWidget()) {
        popup->setGeometry(popupRect(QRect(mapToGlobal(QPoint(0, 0)), size()), landscape_));
        list_->setCurrentIndex(rows_->index(currentIndex(), kIdColumn));
    }
    list_->setFocus();
}

bool CMultiComb::eventFilter(QObject* watched, QEvent* event) {
    if (watched != list_ || event->type() != QEvent::KeyPress)
        return QComboBox::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const int row = list_->currentIndex().isValid() ? list_->currentIndex().row() : currentIndex();
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (rows_->rowCount() == 0) return true;
        // One row, not beyond the ends; the box shows the new row's ID at once.
        const int next = std::clamp(row + (key == Qt::Key_Up ? -1 : 1), 0, rows_->rowCount() - 1);
        list_->setCurrentIndex(rows_->index(next, kIdColumn));
        setCurrentIndex(next);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (row >= 0) setCurrentIndex(row);
        hidePopup();
        return true;
    default:
        return QComboBox::eventFilter(watched, event);
    }
}
