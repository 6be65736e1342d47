#pragma once
// The keyboard wedge's notice window: a small top-most tool window with one read-only text, shown
// without taking the focus, so the program being typed into keeps it. It shows and hides what
// WedgeNotice tells it and runs WedgeNotice's timers on a QTimer.

#include <QTimer>
#include <QWidget>

#include "exchange/WedgeNotice.h"

class QPlainTextEdit;

namespace exchange {

class CKeyWdgMsg final : public QWidget, public WedgeNoticeView {
public:
    explicit CKeyWdgMsg(QWidget* parent = nullptr);

    // The notice whose timers this window runs (the notice is made with this window as its view,
    // so it is handed over afterwards); null detaches it.
    void setNotice(WedgeNotice* notice);

    void showNotice(std::string_view text) override;
    void hideNotice() override;

    QString text() const;

private:
    // Starts the timer for the notice's next due time, or stops it when none runs.
    void schedule();

    WedgeNotice* notice_ = nullptr;
    QPlainTextEdit* text_;
    QTimer timer_;
};

} // namespace exchange
