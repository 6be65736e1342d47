#pragma once
// The start-up splash: the program's name and icon over the main window, closing itself after
// 3500 ms.

#include <QSplashScreen>

namespace ui {

inline constexpr int kSplashMs = 3500;

class Splash final : public QSplashScreen {
public:
    Splash();
};

} // namespace ui
