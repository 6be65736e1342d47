#pragma once
// The "Data" page of the configuration sheet: how a point is marked (averaging and the number of
// fixes) and where it goes (the data exchange file, the waypoint file on export, the memory
// exchange, the keyboard wedge), and whether the satellite screens show the other constellations.

#include "ui/ConfigPage.h"

class QCheckBox;
class QLineEdit;

inline constexpr const char* kWedgeWait =
    "Once you press the keyboard wedge key, please wait until all data has been exported before "
    "pressing another key.";

class CCnfSys : public ui::ConfigPage {
    Q_OBJECT
public:
    explicit CCnfSys(ui::ConfigContext& context, QWidget* parent = nullptr);

    void load() override;
    void apply() override;

private:
    // The user left "Num of Points": a changed number is taken when the sheet may be edited and
    // the number is one the mark accepts; otherwise the field shows the last taken number again.
    void pointsEdited();

    QCheckBox* averaging_;
    QLineEdit* points_;
    QCheckBox* exchangeFile_;
    QCheckBox* exportStores_;
    QCheckBox* memExchange_;
    QCheckBox* wedge_;
    QCheckBox* otherSatellites_;
    int pointsAveraged_ = 0; // the last number taken from the field
    bool checkingPoints_ = false;
};
