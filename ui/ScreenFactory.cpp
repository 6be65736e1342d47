// The GPS screen as the GPS screen's texts in plain labels: status, position, elevation, PDOP,
// EHE and the satellites in view and used, in two columns when the screen is wider than high and
// in one otherwise.

#include <QGridLayout>
#include <QLabel>
#include <QResizeEvent>
#include <mutex>

#include "engine/GpsEngine.h"
#include "ui/GpsScreenTexts.h"
#include "ui/Screen.h"

namespace ui {
namespace {

class GpsTextScreen final : public Screen {
public:
    GpsTextScreen(engine::GpsEngine& engine, QWidget* parent) : Screen(parent), engine_(engine) {
        static const char* const names[] = {"Status", "Position", "Elevation",
                                            "PDOP",   "EHE",      "Satellites"};
        for (std::size_t i = 0; i < std::size(labels_); ++i) {
            labels_[i] = new QLabel(this);
            labels_[i]->setAccessibleName(QString::fromLatin1(names[i]));
            labels_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        }
        layout_ = new QGridLayout(this);
        arrange(true);
    }

    void refresh() override {
        std::unique_lock<std::mutex> held(engine_.lock(), std::try_to_lock);
        if (!held.owns_lock()) return;
        const GpsScreenTexts texts = gpsScreenTexts(engine_);
        held.unlock();
        const std::u16string* shown[] = {&texts.status, &texts.position, &texts.elevation,
                                         &texts.pdop, &texts.ehe};
        for (std::size_t i = 0; i < std::size(shown); ++i)
            setText(labels_[i], QString::fromStdU16String(*shown[i]));
        setText(labels_[5],
                QStringLiteral("sv %1/%2").arg(texts.satellitesInView).arg(texts.satellitesUsed));
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        Screen::resizeEvent(event);
        const QSize s = event->size();
        arrange(s.width() > s.height());
    }

private:
    static void setText(QLabel* label, const QString& text) {
        if (label->text() != text) label->setText(text);
    }

    // The same labels, re-placed: landscape puts them in two columns, portrait in one.
    void arrange(bool landscape) {
        if (landscape == landscape_ && layout_->count() > 0) return;
        landscape_ = landscape;
        for (QLabel* label : labels_)
            layout_->removeWidget(label);
        const int columns = landscape ? 2 : 1;
        for (std::size_t i = 0; i < std::size(labels_); ++i)
            layout_->addWidget(labels_[i], static_cast<int>(i) / columns,
                               static_cast<int>(i) % columns);
    }

    engine::GpsEngine& engine_;
    QLabel* labels_[6] = {};
    QGridLayout* layout_ = nullptr;
    bool landscape_ = true;
};

} // namespace

std::unique_ptr<Screen> makeGpsScreen(engine::GpsEngine& engine, QWidget* parent) {
    return std::make_unique<GpsTextScreen>(engine, parent);
}

} // namespace ui
