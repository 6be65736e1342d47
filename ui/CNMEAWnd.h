#pragma once
// The diagnostics' raw text window: the 40 x 86 character grid (ui/NmeaGrid) in a fixed-pitch
// font, scrolled by rows and columns, following the cursor.

#include <QAbstractScrollArea>

#include "ui/NmeaGrid.h"

class CNMEAWnd : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CNMEAWnd(QWidget* parent = nullptr);

    // Passes received characters through the filter into the grid, then scrolls to the cursor.
    void receive(const char16_t* text, int count);
    void clear();
    void setFilter(int index);
    const ui::NmeaGrid& grid() const { return grid_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateScrollBars();
    void ensureCursorVisible();
    int visibleRows() const;
    int visibleColumns() const;

    ui::NmeaGrid grid_;
    int cellWidth_ = 1;
    int cellHeight_ = 1;
};
