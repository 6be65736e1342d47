#pragma once
// The GPS screen: position, elevation, fix status, PDOP and EHE, the sky plot and the signal
// bars, and the "Diag" button to the diagnostics. Texts beside the pictures on a landscape
// window, above them on a portrait one.

#include "ui/Screen.h"

namespace engine {
class GpsEngine;
}
namespace ui {
class ValueField;
}

class CDiag;
class CSatPic;
class CSatStrn;
class QBoxLayout;
class QLabel;
class QPushButton;

class CGPS : public ui::Screen {
    Q_OBJECT
public:
    explicit CGPS(engine::GpsEngine& engine, QWidget* parent = nullptr);

    // The refresh message: passed on to the open diagnostics; then, unless hidden or paused, the
    // texts and satellites are taken under the engine lock and redrawn.
    void refresh() override;
    // The pause flag (set while the diagnostics are open, so that the screen does not redraw
    // under them). The screen keeps it itself; the engine has no field for it.
    void setPaused(bool paused) { paused_ = paused; }
    bool paused() const { return paused_; }

    // Opens the diagnostics modally; returns when they are closed.
    void openDiagnostics();
    CDiag* diagnostics() const { return diagnostics_; }

    bool landscape() const { return landscape_; }
    const CSatPic* skyPlot() const { return skyPlot_; }
    const CSatStrn* signalBars() const { return signalBars_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrange(bool landscape);

    engine::GpsEngine& engine_;
    QBoxLayout* main_;
    ui::ValueField* position_;
    ui::ValueField* elevation_;
    ui::ValueField* status_;
    ui::ValueField* pdop_;
    ui::ValueField* ehe_;
    CSatPic* skyPlot_;
    CSatStrn* signalBars_;
    CDiag* diagnostics_ = nullptr;
    bool paused_ = false;
    bool landscape_ = false;
};
