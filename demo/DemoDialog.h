#pragma once
// "ZezOdize - Demo 1": six rows of values read through libcvce and the buttons "Get", "Timed",
// "Real Time" and "Quit". Each control carries its label's text as its accessible name.

#include "demo/DemoClient.h"
#include "demo/DemoHost.h"

#include <QDialog>
#include <QTimer>

class QLineEdit;
class QPushButton;

class DemoDialog final : public QDialog, private DemoHost {
public:
    explicit DemoDialog(DemoMessages& messages, QWidget* parent = nullptr);
    ~DemoDialog() override;

protected:
    // Escape and Enter do nothing, so only "Quit" or the window's close ends the dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showFields(const DemoFields& fields) override;
    void setTimerRunning(bool running) override;
    void postRefresh() override;

    QLineEdit* addField(const char* name);
    QPushButton* addButton(const char* text);

    QTimer timer_;
    QLineEdit* tick_;
    QLineEdit* quality_;
    QLineEdit* latitude_;
    QLineEdit* longitude_;
    QLineEdit* altitude_;
    QLineEdit* pdop_;
    QLineEdit* mode_;
    QLineEdit* ehe_;
    QLineEdit* count_;
    // Last, so it is destroyed (and its worker ended) before the fields it writes to.
    DemoClient client_;
};
