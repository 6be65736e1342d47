#include "demo/MessageBoxMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

void MessageBoxMessages::message(std::string_view text, std::string_view caption) {
    auto show = [text = QString::fromUtf8(text.data(), qsizetype(text.size())),
                 caption = QString::fromUtf8(caption.data(), qsizetype(caption.size()))] {
        QMessageBox::information(QApplication::activeWindow(), caption, text);
    };
    if (QThread::currentThread() == qApp->thread())
        show();
    else
        QMetaObject::invokeMethod(qApp, show, Qt::QueuedConnection);
}
