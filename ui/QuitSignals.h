#pragma once
// SIGINT and SIGTERM ask the program to end, for as long as the object lives: the handler only
// notes the signal, and a 200 ms timer on the user-interface thread calls onQuit once. The
// handlers in place before come back with the object's end.

#include <QTimer>
#include <csignal>
#include <functional>

namespace ui {

class QuitSignals {
public:
    explicit QuitSignals(std::function<void()> onQuit);
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    std::function<void()> onQuit_;
    QTimer poll_;
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

} // namespace ui
