#include "ui/CSatStrn.h"

#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "ui/SatelliteDrawing.h"

namespace {

constexpr int kTop = 3;
constexpr int kLeft = 4;
constexpr int kRowGap = 3;
constexpr int kBarGap = 2;
constexpr int kFrame = 2;

} // namespace

CSatStrn::CSatStrn(QWidget* parent) : QWidget(parent), scrollBar_(new QScrollBar(this)) {
    setAccessibleName(QStringLiteral("Signal bars"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    scrollBar_->setAccessibleName(QStringLiteral("Signal bars scroll"));
    scrollBar_->setOrientation(Qt::Vertical);
    scrollBar_->setSingleStep(1);
    scrollBar_->setPageStep(3);
    scrollBar_->hide();
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this] { update(); });
}

void CSatStrn::setSnapshot(const ui::SatelliteSnapshot& snapshot) {
    snapshot_ = snapshot;
    updateScrollBar();
    update();
}

void CSatStrn::setLandscape(bool landscape) {
    if (landscape_ == landscape) return;
    landscape_ = landscape;
    updateScrollBar();
    update();
}

void CSatStrn::updateScrollBar() {
    const int count = snapshot_.count;
    const bool shown = scrollBarShown(count, rows());
    scrollBar_->setRange(0, std::max(0, count - rows()));
    scrollBar_->setVisible(shown);
    const int width = scrollBar_->sizeHint().width();
    scrollBar_->setGeometry(this->width() - width, 0, width, height());
}

void CSatStrn::resizeEvent(QResizeEvent*) {
    updateScrollBar();
}

QRect CSatStrn::labelBox(int row, QSize labelSize) {
    return {kLeft, kTop + row * (labelSize.height() + kRowGap), labelSize.width(),
            labelSize.height()};
}

static int barStart(const QRect& labelBox) {
    return labelBox.x() + labelBox.width() + kBarGap;
}

static int barWidth(int clientWidth, const QRect& labelBox) {
    return std::max(0, clientWidth - kFrame - barStart(labelBox));
}

QRect CSatStrn::barRect(int clientWidth, const QRect& labelBox, int snr) {
    if (snr <= 0) return {};
    // An SNR above full scale fills the bar; it never runs over the frame.
    const int length =
        std::min(snr, kFullScaleSnr) * barWidth(clientWidth, labelBox) / kFullScaleSnr;
    return {barStart(labelBox), labelBox.y(), length, labelBox.height()};
}

int CSatStrn::referenceX(int clientWidth, const QRect& labelBox) {
    return barStart(labelBox) + kReferenceSnr * barWidth(clientWidth, labelBox) / kFullScaleSnr;
}

QSize CSatStrn::labelSize() {
    const QFontMetrics metrics(ui::satelliteLabelFont());
    // Wide enough for the widest label ("w4", three-digit PRNs, a constellation's letter and two
    // digits) and its frame.
    int widest = metrics.horizontalAdvance(QStringLiteral("888"));
    for (char system : ui::kOtherSystems)
        widest =
            std::max(widest, metrics.horizontalAdvance(QLatin1Char(system) + QStringLiteral("88")));
    return {widest + 4, metrics.height()};
}

int CSatStrn::firstRow() const {
    return scrollBar_->isVisible() ? scrollBar_->value() : 0;
}

QStringList CSatStrn::rowLabels() const {
    QStringList labels;
    for (int row = firstRow(); row < firstRow() + rows() && row < snapshot_.count; ++row)
        labels << QString::fromStdString(
            ui::satelliteLabel(snapshot_.entries[static_cast<std::size_t>(row)]));
    return labels;
}

void CSatStrn::render() {
    ui::fitPicture(picture_, *this);
    QPainter painter(&picture_);
    ui::drawSunkenBackground(painter, palette(), rect());
    painter.setFont(ui::satelliteLabelFont());
    const int clientWidth = width() - (scrollBar_->isVisible() ? scrollBar_->width() : 0);
    const QSize label = labelSize();
    const QColor text = palette().color(QPalette::WindowText);
    const int first = firstRow();
    const QStringList labels = rowLabels();
    for (int row = 0; row < labels.size(); ++row) {
        const ui::SatelliteEntry& s = snapshot_.entries[static_cast<std::size_t>(first + row)];
        const QRect box = labelBox(row, label);
        painter.setPen(text);
        if (s.used) painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.drawText(box, Qt::AlignCenter, labels[row]);
        const QRect bar = barRect(clientWidth, box, s.snr);
        if (!bar.isEmpty()) painter.fillRect(bar, Qt::black);
    }
    const int x = referenceX(clientWidth, labelBox(0, label));
    painter.setPen(text);
    painter.drawLine(x, kFrame, x, height() - 1 - kFrame);
}

void CSatStrn::paintEvent(QPaintEvent*) {
    render();
    QPainter(this).drawPixmap(0, 0, picture_);
}
