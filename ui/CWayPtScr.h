#pragma once
// The waypoint screen: the waypoints of the open file in list order, the selected one in detail
// (in the user's datum, format and units), and the buttons "New", "Edit", "Del" and "Mark". New
// and Edit open the editor of the configured Format; the store's rules are data/WaypointEditing.
// The list beside the details on a landscape window, above them on a portrait one.

#include <functional>

#include "ui/Screen.h"

namespace data {
class WaypointViews;
}
namespace engine {
class GpsEngine;
}
namespace ui {
class ValueField;
}

class QBoxLayout;
class QLabel;
class QListWidget;
class WaypointEditor;

class CWayPtScr : public ui::Screen {
    Q_OBJECT
public:
    // Runs an editor modally; true when it was closed with OK.
    using RunEditor = std::function<bool(WaypointEditor&)>;

    // views (may be null) are told of changes to the store; markRequested opens the Mark Point
    // dialog as the mark hot key does.
    CWayPtScr(engine::GpsEngine& engine, data::WaypointViews* views,
              std::function<void()> markRequested, QWidget* parent = nullptr);

    // The screen shows no GPS values: nothing to redraw on the update tick.
    void refresh() override {}

    // Refills the list from the store under the engine lock. The selected waypoint stays selected
    // while it exists; after a delete the line before the deleted one is selected, otherwise the
    // first line; with no line left the details are cleared.
    void reloadWaypointLists();

    // True while an editor is open (the main window refuses marks then).
    bool editorOpen() const { return editorOpen_; }
    bool landscape() const { return landscape_; }
    // The slot of the selected line, or WaypointStore::kNoSlot.
    int selectedSlot() const { return selectedSlot_; }

    // The buttons.
    void pressNew();
    void pressEdit();
    void pressDelete();
    void pressMark();

    // Replaces the modal run of the editors (tests fill and close them without a window).
    void setRunEditor(RunEditor run) { runEditor_ = std::move(run); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrange(bool landscape);
    void rowChanged(int row);
    void selectRow(int row);
    void showSelected();
    void showCaptions(int32_t format);
    bool runEditor(WaypointEditor& editor);

    engine::GpsEngine& engine_;
    data::WaypointViews* views_;
    std::function<void()> markRequested_;
    RunEditor runEditor_;
    QBoxLayout* main_;
    QListWidget* list_;
    QLabel* firstCaption_;
    QLabel* secondCaption_;
    QLabel* zoneCaption_;
    ui::ValueField* number_;
    ui::ValueField* name_;
    ui::ValueField* first_;
    ui::ValueField* second_;
    ui::ValueField* zone_;
    ui::ValueField* elevation_;
    ui::ValueField* pdop_;
    ui::ValueField* ehe_;
    ui::ValueField* offset_;
    ui::ValueField* file_;
    int selectedSlot_;
    int selectedPlace_ = -1;
    int deletedPlace_ = -1; // the place of a line being deleted, while Del runs
    bool editorOpen_ = false;
    bool landscape_ = false;
};
