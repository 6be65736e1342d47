#pragma once
// The "Units" page of the configuration sheet: datum, unit system, heading reference with the
// user's declination, coordinate format and altitude reference, for the screens, the keyboard
// wedge and the memory exchange.

#include "geodesy/DatumTable.h"
#include "ui/ConfigPage.h"

class QComboBox;

namespace ui {
class ConfigNumberField;
}

inline constexpr const char* kDatumNotDefined = "Datum not defined. Using WGS84 (default datum).";
inline constexpr const char* kInvalidDatum = "Invalid Datum. Using WGS84 (Default Datum).";

class CCnfDisplay : public ui::ConfigPage {
    Q_OBJECT
public:
    // The datum list offers every datum of table, which is loaded before the sheet is made.
    explicit CCnfDisplay(ui::ConfigContext& context,
                         const geodesy::DatumTable& table = geodesy::datumTable(),
                         QWidget* parent = nullptr);

    // A stored datum that is not in the table is shown as WGS 84 with a message; the engine keeps
    // its value until the sheet is confirmed.
    void load() override;
    void apply() override;

    // Declinations the user may type, degrees.
    static constexpr double kMinDeclination = -180.0;
    static constexpr double kMaxDeclination = 180.0;

private:
    // The declination field is for "Manual Mag" only; other headings show 0.00.
    void showDeclination();

    const geodesy::DatumTable& table_;
    QComboBox* datum_;
    QComboBox* units_;
    QComboBox* heading_;
    ui::ConfigNumberField* declination_;
    QComboBox* format_;
    QComboBox* altitudeRef_;
    double userDeclination_ = 0; // the page's copy, kept while another heading is chosen
};
