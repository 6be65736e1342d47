#pragma once
// The "GPS" page of the configuration sheet: the receiver's port and its line settings. Beside the
// port list a line tells which device the chosen port name stands for on this system and whether
// it is there. Every accepted edit marks the port for reopening; confirming the sheet then closes
// the port, finds out whether the new port is a Bluetooth port and opens it again.

#include "ui/ConfigPage.h"

class QCheckBox;
class QComboBox;

namespace ui {
class ValueField;
}

class CCnfGPS : public ui::ConfigPage {
    Q_OBJECT
public:
    explicit CCnfGPS(ui::ConfigContext& context, QWidget* parent = nullptr);

    void load() override;
    void apply() override;

    // What the device line shows for a list position (0 for "COM1:"): the mapped device path,
    // followed by " (not present)" when no such device exists; network sources as they are.
    QString deviceText(int portIndex) const;

private:
    // An accepted edit marks the port for reopening; false when the edit was refused.
    bool acceptPortEdit();
    void showDevice();
    // The port, line settings and Bluetooth step of confirming the sheet.
    void reopenPort();

    QComboBox* port_;
    ui::ValueField* device_;
    QCheckBox* bluetooth_;
    QComboBox* baud_;
    QComboBox* parity_;
    QComboBox* dataBits_;
    QComboBox* stopBits_;
    QCheckBox* dtr_;
    QCheckBox* rts_;
};
