#pragma once
// The main window's view: the area in which the screens are shown, one at a time. Its rectangle
// is the screen rectangle every screen is sized to.

#include <QStackedWidget>

namespace ui {

class Screen;

class CTalpaView final : public QStackedWidget {
public:
    explicit CTalpaView(QWidget* parent = nullptr);

    // Adds a screen, hidden until it is shown.
    void addScreen(Screen* screen);
    // Hides the current screen, makes this one current, shows it in the screen rectangle and
    // gives it the focus.
    void showScreen(Screen* screen);
    // The current screen; null while none is shown (the configuration sheet is up).
    Screen* currentScreen() const { return current_; }
    // Hides the current screen and leaves none current.
    void hideCurrentScreen();

    QRect screenRect() const { return contentsRect(); }

private:
    Screen* current_ = nullptr;
};

} // namespace ui
