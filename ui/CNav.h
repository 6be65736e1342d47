#pragma once
// The Nav screen: the From and To pickers, the values from here to the target and from the
// origin to the target, fix quality, PDOP, EHE, the magnetic reference and the compass. Pickers
// and compass at the left of a landscape window; a portrait window stacks the quality fields at
// the top right and the "Here -> To" values down the right side.

#include <QString>

#include "engine/Navigator.h"
#include "ui/Screen.h"

namespace engine {
class GpsEngine;
}
namespace ui {
class ValueField;
}

class CComp;
class CMultiComb;
class QGroupBox;
class QLabel;

class CNav : public ui::Screen {
    Q_OBJECT
public:
    explicit CNav(engine::GpsEngine& engine, QWidget* parent = nullptr);

    // The update tick: the distance headers when the settings changed, then one navigation
    // update for the two selections, its texts into the fields and, when it moved them, the
    // compass's directions.
    void refresh() override;
    // The waypoint file was loaded, or a waypoint added, changed or deleted: both pickers refill.
    void reloadWaypointLists();
    // Units may have changed: the pickers' distance headers are rewritten at the next refresh.
    void settingsChanged() { headersStale_ = true; }

    // What the navigation takes for a picker's selection: "Here" and nothing picked both stand
    // for the current position.
    static int navigationSelection(int pickerSelection);

    CMultiComb* fromPicker() const { return from_; }
    CMultiComb* toPicker() const { return to_; }
    CComp* compass() const { return compass_; }
    bool landscape() const { return landscape_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrange(bool landscape);

    engine::GpsEngine& engine_;
    engine::Navigator navigator_;
    engine::NavigationDisplay display_;
    CMultiComb* from_;
    CMultiComb* to_;
    CComp* compass_;
    QGroupBox* hereTo_;
    QGroupBox* fromTo_;
    // Captions, in the order of the fields below.
    QLabel* fromCaption_;
    QLabel* toCaption_;
    QLabel* captions_[9];
    ui::ValueField* hereToDistance_;
    ui::ValueField* bearing_;
    ui::ValueField* track_;
    ui::ValueField* speed_;
    ui::ValueField* crossTrack_;
    ui::ValueField* fromToDistance_;
    ui::ValueField* azimuth_;
    ui::ValueField* quality_;
    ui::ValueField* mag_;
    ui::ValueField* pdop_;
    ui::ValueField* ehe_;
    bool landscape_ = true;
    bool headersStale_ = false;
};
