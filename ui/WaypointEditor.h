#pragma once
// What the four waypoint editors share: the number and name, the elevation with its unit, the
// offset ("Offset" and "Show Offset"), OK and Cancel, the base position (the one without the
// offset) and the rule that typed values which differ from it change it, and the datum shifts on
// opening and on OK. Each editor adds its own position fields and how they are written and read.
//
// Positions inside the editor are in the configured datum; the entry handed back is WGS84.

#include <QDialog>
#include <functional>
#include <memory>

#include "data/OffsetInput.h"
#include "data/WaypointEditing.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace engine {
class GpsEngine;
struct Waypoint;
} // namespace engine
namespace platform {
class Prompter;
}

class WaypointEditor : public QDialog {
    Q_OBJECT
public:
    // Shows "Offset Input" modally with values; true on OK with values holding what was entered.
    using AskOffset =
        std::function<bool(data::OffsetInputValues& values, platform::Prompter&, QWidget* parent)>;

    // A new waypoint that will take slot and the shown number.
    void startNew(int slot, int number);
    // The stored waypoint (the caller copied it under the engine lock).
    void startEdit(const engine::Waypoint& waypoint);

    // After OK: what was entered (WGS84), and whether the position was changed.
    const data::WaypointEntry& entry() const { return entry_; }
    bool positionChanged() const { return positionChanged_; }

    // Replaces the "Offset Input" dialog (tests answer it without a window).
    void setAskOffset(AskOffset ask) { askOffset_ = std::move(ask); }

    // Reads every field; a refused value keeps the dialog open with nothing handed back.
    void accept() override;

    // The "Offset" button and the "Show Offset" check box, as the user presses them.
    void pressOffset();
    void setShowOffset(bool on);
    bool positionFieldsLocked() const { return locked_; }

protected:
    WaypointEditor(engine::GpsEngine& engine, const QString& title, QWidget* parent);

    // The grid the editor puts its position rows into (caption, fields, hemisphere list).
    QGridLayout* positionGrid() const { return positions_; }
    // A number field named accessibleName in row/column of the grid, locked with the others
    // while the offset is shown; its caption (when not empty) goes in column 0.
    QLineEdit* addPositionField(const QString& caption, const QString& accessibleName, int row,
                                int column);
    // A list of choices named accessibleName in row/column, locked with the position fields.
    QComboBox* addChoiceList(const QStringList& items, const QString& accessibleName, int row,
                             int column);
    // A list "N"/"S" or "E"/"W" (positive first) in row/column.
    QComboBox* addHemisphereList(const char* positive, const char* negative,
                                 const QString& accessibleName, int row, int column);

    // Shows latitude and longitude (configured datum, degrees) in the fields. A latitude below 0
    // selects S; a longitude not above 0 selects W; the fields show absolute values.
    virtual void showPosition(double latitude, double longitude) = 0;
    // Reads the fields back into latitude and longitude; false after a refusal was shown.
    virtual bool readPosition(double& latitude, double& longitude) = 0;

    engine::GpsEngine& engine() const { return engine_; }
    platform::Prompter& prompter() const;

    // Helpers the editors share.
    static void setHemisphere(QComboBox& list, bool negative);
    static double withHemisphere(const QComboBox& list, double value);
    // "%.16f" as the fields show decimal values.
    static QString fieldText(double value);
    // Refuses a position whose parts each were in range but that together exceed high (90 degrees
    // of latitude, 180 of longitude): the message names the range and field takes the focus.
    bool refuseAbove(QLineEdit& field, double value, double high) const;

private:
    void start(double latitude, double longitude, double altitude);
    void showShown();
    // Reads the position fields unless the offset is shown; a changed position becomes the base.
    // False after a refusal.
    bool takePositionFields();
    void lockPositionFields(bool locked);
    void nameEdited(const QString& text);
    void showOffsetToggled(bool on);
    void applyOffsetToShown();

    engine::GpsEngine& engine_;
    AskOffset askOffset_;
    QGridLayout* positions_;
    QLineEdit* number_;
    QLineEdit* name_;
    QLineEdit* elevation_;
    QLabel* elevationUnit_;
    QPushButton* offset_;
    QCheckBox* showOffset_;
    QList<QWidget*> positionFields_;
    bool feet_ = false;
    bool locked_ = false;
    int slot_ = 0;

    // Configured datum, degrees and metres.
    double shownLatitude_ = 0, shownLongitude_ = 0, shownAltitude_ = 0;
    double baseLatitude_ = 0, baseLongitude_ = 0, baseAltitude_ = 0;
    data::WaypointEntry entry_; // the offset while open; everything after OK
    bool positionChanged_ = false;
};

// The editor for the Format setting: CWayPt (DD), CWayptDM, CWayptDMS or CWayptUTM.
std::unique_ptr<WaypointEditor> makeWaypointEditor(engine::GpsEngine& engine, int32_t format,
                                                   QWidget* parent);
