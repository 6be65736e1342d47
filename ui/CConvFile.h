#pragma once
// "Convert Waypt File": the datum, units and coordinate format a waypoint file is converted to
// (the altitude reference is shown but cannot be changed). "Next" accepts, "Cancel" rejects.
// Label beside list on a landscape window, above it on a portrait one.

#include <QDialog>

#include "data/WaypointConversion.h"

namespace engine {
struct Settings;
}
namespace geodesy {
class DatumTable;
}

class QComboBox;
class QFormLayout;
class QPushButton;

class CConvFile : public QDialog {
    Q_OBJECT
public:
    // Every datum of table by name, the configured datum, units and format selected.
    CConvFile(const engine::Settings& settings, const geodesy::DatumTable& table,
              QWidget* parent = nullptr);

    // The chosen datum, format and units; the file type is chosen when saving.
    data::ConversionOptions options() const;

    bool landscape() const { return landscape_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrange(bool landscape);

    QFormLayout* form_;
    QComboBox* datum_;
    QComboBox* units_;
    QComboBox* format_;
    QComboBox* altitudeRef_;
    bool landscape_ = false;
};
