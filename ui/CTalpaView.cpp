#include "ui/CTalpaView.h"

#include "ui/Screen.h"

namespace ui {

CTalpaView::CTalpaView(QWidget* parent) : QStackedWidget(parent) {
    setAccessibleName(QStringLiteral("Screens"));
}

void CTalpaView::addScreen(Screen* screen) {
    addWidget(screen);
    screen->hide();
}

void CTalpaView::showScreen(Screen* screen) {
    if (current_ != nullptr && current_ != screen) current_->hide();
    current_ = screen;
    setCurrentWidget(screen);
    screen->setGeometry(screenRect());
    screen->show();
    screen->setFocus();
}

void CTalpaView::hideCurrentScreen() {
    if (current_ != nullptr) current_->hide();
    current_ = nullptr;
}

} // namespace ui
