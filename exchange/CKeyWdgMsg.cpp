#include "exchange/CKeyWdgMsg.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace exchange {

CKeyWdgMsg::CKeyWdgMsg(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      text_(new QPlainTextEdit(this)) {
    setWindowTitle(QString::fromUtf8(kWedgeNoticeTitle));
    // Shown over the program being typed into, which must keep the keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    text_->setReadOnly(true);
    text_->setFocusPolicy(Qt::NoFocus);
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    resize(320, 90);
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        if (notice_ != nullptr) notice_->poll();
        schedule();
    });
}

void CKeyWdgMsg::setNotice(WedgeNotice* notice) {
    notice_ = notice;
    schedule();
}

void CKeyWdgMsg::showNotice(std::string_view text) {
    text_->setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    show();
    raise();
    schedule();
}

void CKeyWdgMsg::hideNotice() {
    hide();
    schedule();
}

QString CKeyWdgMsg::text() const {
    return text_->toPlainText();
}

void CKeyWdgMsg::schedule() {
    const int64_t due = notice_ != nullptr ? notice_->nextTimerMs() : -1;
    if (due < 0)
        timer_.stop();
    else
        timer_.start(static_cast<int>(due));
}

} // namespace exchange
