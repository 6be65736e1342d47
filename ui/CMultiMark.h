#pragma once
// "Mark Point": the current fix and its mask verdict, the point being taken (single fix or
// average), the progress of an average, and the buttons Offset, Average, Store WPT, Export and
// Cancel. The logic is data::MarkController; this window shows what it is told and forwards the
// buttons and the name field's edits. Made once and kept: it is hidden when a mark ends and shown
// again for the next one. Groups side by side on a landscape window, stacked on a portrait one.

#include <QDialog>
#include <functional>
#include <string>
#include <utility>

#include "data/MarkView.h"

namespace data {
class MarkController;
}
namespace platform {
class Prompter;
}
namespace ui {
class ValueField;
}

class QBoxLayout;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

class CMultiMark : public QDialog, public data::MarkView {
    Q_OBJECT
public:
    // prompter: for the "Offset Input" dialog's refusals.
    explicit CMultiMark(platform::Prompter& prompter, QWidget* parent = nullptr);

    // The logic the buttons go to; it is made after the window, with the window as its view.
    void setController(data::MarkController& controller) { controller_ = &controller; }
    // Called when a mark ends, with whether the point was exported.
    void setClosedCallback(std::function<void(bool exported)> callback) {
        closed_ = std::move(callback);
    }

    // Shows the window for a mark the controller has just opened. A mark started while another
    // program was in front keeps the window above every other window, raised and active, so the
    // user finds it over that program; a mark from the menu floats above the main window only.
    void present(bool startedFromOutside);
    bool staysOnTop() const;

    bool landscape() const { return landscape_; }

    // Window-close and Escape end the mark as "Cancel" does.
    void reject() override;

    // data::MarkView
    void showFixStatus(const std::u16string& text) override;
    void showVerdict(const std::u16string& text) override;
    void showCurrent(const data::MarkTexts& texts) override;
    void showPoint(const data::MarkTexts& texts) override;
    void clearPoint() override;
    void showWaypointNumber(const std::u16string& text) override;
    void setName(const std::u16string& text) override;
    std::u16string name() const override;
    void setButtonText(data::MarkButton button, const std::u16string& text) override;
    void setStoreEnabled(bool enabled) override;
    void showAveraging(bool shown) override;
    void setProgressRange(int maximum) override;
    void setProgress(int position) override;
    bool askOffset(data::OffsetInputValues& values) override;
    void hide() override;
    void markClosed(bool exported) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The fields of one position group.
    struct PositionFields {
        ui::ValueField* location;
        ui::ValueField* elevation;
        ui::ValueField* pdop;
        ui::ValueField* ehe;
    };
    PositionFields addPositionRows(QGroupBox* group, QGridLayout* grid, int row);
    static void showTexts(const PositionFields& fields, const data::MarkTexts& texts);
    QPushButton* button(data::MarkButton which) const;
    void arrange(bool landscape);

    platform::Prompter& prompter_;
    data::MarkController* controller_ = nullptr;
    std::function<void(bool)> closed_;

    QBoxLayout* main_;
    QBoxLayout* groups_;
    QGridLayout* buttons_;
    QGroupBox* current_;
    QGroupBox* point_;
    ui::ValueField* quality_;
    ui::ValueField* verdict_;
    PositionFields currentFields_;
    ui::ValueField* number_;
    QLineEdit* name_;
    PositionFields pointFields_;
    QProgressBar* progress_;
    QPushButton* offset_;
    QPushButton* average_;
    QPushButton* store_;
    QPushButton* export_;
    QPushButton* cancel_;
    bool landscape_ = false;
};
