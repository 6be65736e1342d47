#pragma once
// The signal bars of the GPS screen: one row per satellite with its label (framed when used) and
// a black bar of its SNR against a full scale of 60, a reference line at 30. 7 rows fit in the
// portrait layout, 11 in the landscape one; more satellites scroll. Painted off screen and copied
// in one step.

#include <QPixmap>
#include <QRect>
#include <QStringList>
#include <QWidget>

#include "ui/SatelliteSnapshot.h"

class QScrollBar;

class CSatStrn : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFullScaleSnr = 60;
    static constexpr int kReferenceSnr = 30;

    explicit CSatStrn(QWidget* parent = nullptr);

    void setSnapshot(const ui::SatelliteSnapshot& snapshot);
    const ui::SatelliteSnapshot& snapshot() const { return snapshot_; }
    void setLandscape(bool landscape);
    int rows() const { return visibleRows(landscape_); }
    QScrollBar* scrollBar() const { return scrollBar_; }
    // The labels of the rows in view, top first (the first row follows the scroll bar).
    QStringList rowLabels() const;

    static int visibleRows(bool landscape) { return landscape ? 11 : 7; }
    static bool scrollBarShown(int satellites, int rows) { return satellites >= rows; }
    // The label box of the visible row (0 at the top) for labels of this size.
    static QRect labelBox(int row, QSize labelSize);
    // The bar of a row in a client area this wide (the scroll bar excluded); empty without SNR.
    static QRect barRect(int clientWidth, const QRect& labelBox, int snr);
    // The x of the reference line.
    static int referenceX(int clientWidth, const QRect& labelBox);
    // The size of every row's label box in the label font.
    static QSize labelSize();

    QSize sizeHint() const override { return {140, 140}; }
    QSize minimumSizeHint() const override { return {60, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateScrollBar();
    void render();
    int firstRow() const;

    ui::SatelliteSnapshot snapshot_;
    bool landscape_ = false;
    QScrollBar* scrollBar_;
    QPixmap picture_;
};
