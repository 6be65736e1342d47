#include "ui/Splash.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

namespace ui {

namespace {

QPixmap splashPicture() {
    QPixmap picture(320, 160);
    picture.fill(QColor(0x1f, 0x3a, 0x5f));
    QPainter painter(&picture);
    const QIcon icon = QGuiApplication::windowIcon();
    if (!icon.isNull()) painter.drawPixmap(16, 48, icon.pixmap(64, 64));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(24);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(96, 0, 224, 160), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Corvane"));
    return picture;
}

} // namespace

Splash::Splash() : QSplashScreen(splashPicture()) {
    setAccessibleName(QStringLiteral("Corvane"));
    setAttribute(Qt::WA_DeleteOnClose);
    QTimer::singleShot(kSplashMs, this, &QWidget::close);
}

} // namespace ui
