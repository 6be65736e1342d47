#pragma once
// A waypoint picker of the Nav screen: a drop-down list whose pop-up is a three-column list
// (number, ID, distance from here) with full-row selection; the closed box shows the picked
// row's ID. The optional first row "Here" stands for the current position.

#include <QComboBox>
#include <QRect>
#include <QString>

namespace engine {
class GpsEngine;
class Navigator;
} // namespace engine

class QStandardItemModel;
class QTreeView;

class CMultiComb : public QComboBox {
    Q_OBJECT
public:
    // Item data of the "Here" row; selection() gives -1 while nothing is picked.
    static constexpr int kHere = -2;
    static constexpr int kNothing = -1;

    CMultiComb(engine::GpsEngine& engine, engine::Navigator& navigator, bool withHere,
               QWidget* parent = nullptr);

    // The distance column's header for a Units value.
    static QString distanceHeader(int units);
    // Where the pop-up goes for a picker at `picker` (global coordinates): under it, one pixel
    // below, reaching 150 pixels further right and 100 further down in the landscape layout, 90
    // and 150 in the portrait one.
    static QRect popupRect(const QRect& picker, bool landscape);

    void setDistanceHeader(int units);
    void setLandscape(bool landscape) { landscape_ = landscape; }

    // Refills the rows from the store's order list under the engine lock, keeping the picked
    // waypoint where it still exists (else the first row is picked).
    void reload();
    // The picked row's item data: a waypoint slot, kHere, or kNothing while nothing is picked or
    // the rows are being refilled.
    int selection() const;
    // Picks the row of a waypoint slot (or kHere); false when no row holds it.
    bool select(int data);

    QStandardItemModel* rows() const { return rows_; }
    QTreeView* list() const { return list_; }

    // Recomputes every distance, then shows the list at popupRect().
    void showPopup() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int rowOf(int data) const;

    engine::GpsEngine& engine_;
    engine::Navigator& navigator_;
    QStandardItemModel* rows_;
    QTreeView* list_;
    bool withHere_;
    bool refilling_ = false;
    bool landscape_ = true;
};
