#include "ui/CNMEAWnd.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

CNMEAWnd::CNMEAWnd(QWidget* parent) : QAbstractScrollArea(parent) {
    setAccessibleName(QStringLiteral("NMEA"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(11);
    font.setWeight(QFont::Medium); // 500
    setFont(font);
    viewport()->setFont(font);
    const QFontMetrics metrics(font);
    cellWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    cellHeight_ = std::max(1, metrics.height());
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            [this] { viewport()->update(); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(),
            [this] { viewport()->update(); });
    updateScrollBars();
}

QSize CNMEAWnd::sizeHint() const {
    return {cellWidth_ * 40, cellHeight_ * 12};
}

int CNMEAWnd::visibleRows() const {
    return std::max(1, viewport()->height() / cellHeight_);
}

int CNMEAWnd::visibleColumns() const {
    return std::max(1, viewport()->width() / cellWidth_);
}

void CNMEAWnd::updateScrollBars() {
    const int rows = std::min(visibleRows(), ui::NmeaGrid::kRows);
    const int columns = std::min(visibleColumns(), ui::NmeaGrid::kColumns);
    verticalScrollBar()->setRange(0, ui::NmeaGrid::kRows - rows);
    verticalScrollBar()->setPageStep(std::max(1, rows - 1));
    horizontalScrollBar()->setRange(0, ui::NmeaGrid::kColumns - columns);
    horizontalScrollBar()->setPageStep(std::max(1, columns - 1));
}

void CNMEAWnd::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void CNMEAWnd::ensureCursorVisible() {
    QScrollBar* vertical = verticalScrollBar();
    const int row = grid_.cursorRow();
    const int rows = visibleRows();
    if (row < vertical->value())
        vertical->setValue(row);
    else if (row >= vertical->value() + rows)
        vertical->setValue(row - rows + 1);
    QScrollBar* horizontal = horizontalScrollBar();
    const int column = grid_.cursorColumn();
    const int columns = visibleColumns();
    if (column < horizontal->value())
        horizontal->setValue(column);
    else if (column >= horizontal->value() + columns)
        horizontal->setValue(column - columns + 1);
}

void CNMEAWnd::receive(const char16_t* text, int count) {
    for (int i = 0; i < count; ++i)
        grid_.receive(text[i]);
    ensureCursorVisible();
    viewport()->update();
}

void CNMEAWnd::clear() {
    grid_.clear();
    ensureCursorVisible();
    viewport()->update();
}

void CNMEAWnd::setFilter(int index) {
    grid_.setFilter(index);
}

void CNMEAWnd::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    const int firstRow = verticalScrollBar()->value();
    const int firstColumn = horizontalScrollBar()->value();
    const int ascent = QFontMetrics(font()).ascent();
    for (int row = firstRow; row < ui::NmeaGrid::kRows; ++row) {
        const int y = (row - firstRow) * cellHeight_;
        if (y > viewport()->height()) break;
        QString line;
        line.reserve(ui::NmeaGrid::kColumns - firstColumn);
        for (int column = firstColumn; column < ui::NmeaGrid::kColumns; ++column) {
            const char16_t c = grid_.cell(row, column);
            line.append(c < u' ' ? QChar(u' ') : QChar(c));
        }
        painter.drawText(0, y + ascent, line);
    }
}
