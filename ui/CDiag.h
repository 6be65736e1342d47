#pragma once
// "GPS Diagnostics": the raw NMEA stream with a sentence filter, Freeze/Unfreeze, a few raw state
// values and the way to the satellite details. Modal, opened from the GPS screen, which it pauses
// while open.

#include <QDialog>

namespace engine {
class GpsEngine;
}

class CGPS;
class CNMEAWnd;
class QBoxLayout;
class QComboBox;
class QLabel;
namespace ui {
class ValueField;
}
class QPushButton;

class CDiag : public QDialog {
    Q_OBJECT
public:
    // Pauses the GPS screen (when there is one) until the dialog ends.
    CDiag(engine::GpsEngine& engine, CGPS* gpsScreen, QWidget* parent = nullptr);

    // The refresh message: under the engine lock, the raw bytes since the last live refresh into
    // the text window (unless frozen), then the values.
    void refresh();
    void setFrozen(bool frozen);
    bool frozen() const { return frozen_; }
    bool landscape() const { return landscape_; }
    const CNMEAWnd* nmeaWindow() const { return nmea_; }

    // Opens the details list with a snapshot of the satellite table (modal).
    void openSatelliteDetails();

    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void feedRawLog();
    void arrange(bool landscape);

    engine::GpsEngine& engine_;
    CGPS* gpsScreen_;
    QBoxLayout* main_;
    QComboBox* filter_;
    CNMEAWnd* nmea_;
    QPushButton* freeze_;
    ui::ValueField* satellites_;
    ui::ValueField* quality_;
    ui::ValueField* fixMode_;
    ui::ValueField* sbas_;
    ui::ValueField* position_;
    bool frozen_ = false;
    bool firstRefresh_ = true;
    bool refreshing_ = false;
    bool landscape_ = false;
    int lastIndex_ = 0;
};
