#include "ui/CWayPtScr.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <mutex>
#include <utility>
#include <vector>

#include "data/WaypointEditing.h"
#include "engine/EngineFormat.h"
#include "engine/GpsEngine.h"
#include "geodesy/DatumTable.h"
#include "ui/ValueField.h"
#include "ui/WaypointDetailTexts.h"
#include "ui/WaypointEditor.h"

namespace {

using engine::WaypointStore;

QString qt(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

} // namespace

CWayPtScr::CWayPtScr(engine::GpsEngine& engine, data::WaypointViews* views,
                     std::function<void()> markRequested, QWidget* parent)
    : ui::Screen(parent), engine_(engine), views_(views), markRequested_(std::move(markRequested)),
      main_(new QBoxLayout(QBoxLayout::TopToBottom, this)), list_(new QListWidget(this)),
      firstCaption_(new QLabel(this)), secondCaption_(new QLabel(this)),
      zoneCaption_(new QLabel(QStringLiteral("Zone"), this)),
      number_(new ui::ValueField(QString(), QStringLiteral("WP#"), this)),
      name_(new ui::ValueField(QString(), QStringLiteral("ID"), this)),
      first_(new ui::ValueField(QString(), QStringLiteral("Lat"), this)),
      second_(new ui::ValueField(QString(), QStringLiteral("Lon"), this)),
      zone_(new ui::ValueField(QString(), QStringLiteral("Zone"), this)),
      elevation_(new ui::ValueField(QString(), QStringLiteral("Elev"), this)),
      pdop_(new ui::ValueField(QString(), QStringLiteral("PDOP"), this)),
      ehe_(new ui::ValueField(QString(), QStringLiteral("EHE"), this)),
      offset_(new ui::ValueField(QString(), QStringLiteral("Offset"), this)),
      file_(new ui::ValueField(QString(), QStringLiteral("File"), this)),
      selectedSlot_(WaypointStore::kNoSlot) {
    list_->setAccessibleName(QStringLiteral("Waypoints"));
    list_->setMinimumSize(1, 1);
    firstCaption_->setBuddy(first_);
    secondCaption_->setBuddy(second_);
    zoneCaption_->setBuddy(zone_);

    auto* details = new QGridLayout;
    int row = 0;
    auto addRow = [&](QLabel* caption, ui::ValueField* field) {
        if (caption) details->addWidget(caption, row, 0);
        details->addWidget(field, row, caption ? 1 : 0, 1, caption ? 1 : 2);
        field->setMinimumWidth(1); // a long text is cut rather than widening the screen
        ++row;
    };
    auto captioned = [&](const char* text, ui::ValueField* field) {
        auto* caption = new QLabel(QString::fromLatin1(text), this);
        caption->setBuddy(field);
        return caption;
    };
    addRow(captioned("WP#", number_), number_);
    addRow(captioned("ID", name_), name_);
    addRow(firstCaption_, first_);
    addRow(secondCaption_, second_);
    addRow(zoneCaption_, zone_);
    addRow(captioned("Elev", elevation_), elevation_);
    addRow(captioned("PDOP", pdop_), pdop_);
    addRow(captioned("EHE", ehe_), ehe_);
    addRow(nullptr, offset_);
    addRow(captioned("File", file_), file_);
    details->setRowStretch(row, 1);

    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, void (CWayPtScr::*)()> actions[] = {
        {"New", &CWayPtScr::pressNew},
        {"Edit", &CWayPtScr::pressEdit},
        {"Del", &CWayPtScr::pressDelete},
        {"Mark", &CWayPtScr::pressMark},
    };
    for (const auto& [text, action] : actions) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setAccessibleName(button->text());
        button->setAutoDefault(false);
        button->setMinimumWidth(1); // four buttons fit a narrow portrait screen
        buttons->addWidget(button);
        connect(button, &QPushButton::clicked, this, action);
    }

    auto* side = new QVBoxLayout;
    side->addLayout(details, 1);
    side->addLayout(buttons);
    main_->addWidget(list_, 1);
    main_->addLayout(side);

    connect(list_, &QListWidget::currentRowChanged, this, &CWayPtScr::rowChanged);
    arrange(false);
    reloadWaypointLists();
}

void CWayPtScr::reloadWaypointLists() {
    std::vector<std::pair<int, QString>> lines;
    {
        std::lock_guard<std::mutex> hold(engine_.lock());
        engine_.waypoints.forEach([&](int slot, const engine::Waypoint& w) {
            lines.emplace_back(slot, qt(std::u16string(w.name)));
        });
    }
    int row = -1;
    {
        const QSignalBlocker quiet(list_);
        list_->clear();
        for (const auto& [slot, name] : lines) {
            auto* item = new QListWidgetItem(name, list_);
            item->setData(Qt::UserRole, slot);
            if (slot == selectedSlot_) row = list_->count() - 1;
        }
    }
    if (row < 0 && !lines.empty())
        row = deletedPlace_ > 0 ? std::min<int>(deletedPlace_ - 1, int(lines.size()) - 1) : 0;
    selectRow(row);
}

void CWayPtScr::selectRow(int row) {
    {
        const QSignalBlocker quiet(list_);
        list_->setCurrentRow(row);
    }
    rowChanged(row);
}

void CWayPtScr::rowChanged(int row) {
    const QListWidgetItem* item = row >= 0 ? list_->item(row) : nullptr;
    selectedSlot_ = item ? item->data(Qt::UserRole).toInt() : WaypointStore::kNoSlot;
    selectedPlace_ = item ? row : -1;
    showSelected();
}

void CWayPtScr::showCaptions(int32_t format) {
    const QString first = QString::fromLatin1(ui::firstPositionCaption(format));
    const QString second = QString::fromLatin1(ui::secondPositionCaption(format));
    firstCaption_->setText(first);
    secondCaption_->setText(second);
    first_->setAccessibleName(first);
    second_->setAccessibleName(second);
    const bool utm = format == geodesy::FormatUTM;
    zoneCaption_->setVisible(utm);
    zone_->setVisible(utm);
}

void CWayPtScr::showSelected() {
    showCaptions(engine_.settings.Format);
    engine::Waypoint w;
    bool found = false;
    std::u16string fileText;
    {
        std::lock_guard<std::mutex> hold(engine_.lock());
        const WaypointStore& store = engine_.waypoints;
        if (selectedSlot_ != WaypointStore::kNoSlot && store.inUse(selectedSlot_)) {
            w = store.at(selectedSlot_);
            found = true;
        }
        fileText = ui::waypointFileText(store, engine_.settings.WaypointPath);
    }
    file_->setValue(qt(fileText));
    ui::WaypointDetailTexts texts;
    if (found)
        texts = ui::waypointDetailTexts(w, engine::formatSettings(engine_), geodesy::datumTable());
    const std::pair<ui::ValueField*, const std::u16string*> fields[] = {
        {number_, &texts.number}, {name_, &texts.name}, {first_, &texts.first},
        {second_, &texts.second}, {zone_, &texts.zone}, {elevation_, &texts.elevation},
        {pdop_, &texts.pdop},     {ehe_, &texts.ehe},   {offset_, &texts.offset},
    };
    for (const auto& [field, text] : fields)
        field->setValue(qt(*text));
}

bool CWayPtScr::runEditor(WaypointEditor& editor) {
    editorOpen_ = true;
    const bool accepted = runEditor_ ? runEditor_(editor) : editor.exec() == QDialog::Accepted;
    editorOpen_ = false;
    return accepted;
}

void CWayPtScr::pressNew() {
    if (!data::checkRoomForWaypoint(engine_)) return;
    int slot = WaypointStore::kNoSlot;
    int number = 0;
    {
        std::lock_guard<std::mutex> hold(engine_.lock());
        const WaypointStore& store = engine_.waypoints;
        slot = store.nextFreeSlot();
        const bool insert = engine_.settings.InsertEnabled && store.inUse(selectedSlot_);
        number = insert ? store.placeOf(selectedSlot_) + 2 : store.count() + 1;
    }
    std::unique_ptr<WaypointEditor> editor =
        makeWaypointEditor(engine_, engine_.settings.Format, this);
    editor->startNew(slot, number);
    if (!runEditor(*editor)) return;
    const int added = data::addWaypoint(engine_, editor->entry(), selectedSlot_, views_);
    if (added != WaypointStore::kNoSlot) selectedSlot_ = added;
    reloadWaypointLists();
}

void CWayPtScr::pressEdit() {
    const int slot = selectedSlot_;
    if (slot == WaypointStore::kNoSlot) return;
    engine::Waypoint w;
    {
        std::lock_guard<std::mutex> hold(engine_.lock());
        if (!engine_.waypoints.inUse(slot)) return;
        w = engine_.waypoints.at(slot);
    }
    std::unique_ptr<WaypointEditor> editor =
        makeWaypointEditor(engine_, engine_.settings.Format, this);
    editor->startEdit(w);
    if (!runEditor(*editor)) return;
    data::editWaypoint(engine_, slot, editor->entry(), editor->positionChanged(), views_);
    reloadWaypointLists();
}

void CWayPtScr::pressDelete() {
    if (selectedSlot_ == WaypointStore::kNoSlot) return;
    deletedPlace_ = selectedPlace_;
    data::deleteWaypoint(engine_, selectedSlot_, views_);
    reloadWaypointLists();
    deletedPlace_ = -1;
}

void CWayPtScr::pressMark() {
    if (markRequested_) markRequested_();
}

void CWayPtScr::showEvent(QShowEvent* event) {
    ui::Screen::showEvent(event);
    if (selectedSlot_ == WaypointStore::kNoSlot && list_->count() > 0)
        selectRow(0);
    else
        showSelected();
}

void CWayPtScr::arrange(bool landscape) {
    landscape_ = landscape;
    main_->setDirection(landscape ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    // The layout took the new size before this turn: place the children again at once.
    main_->activate();
}

void CWayPtScr::resizeEvent(QResizeEvent* event) {
    const bool landscape = event->size().width() > event->size().height();
    if (landscape != landscape_) arrange(landscape);
    ui::Screen::resizeEvent(event);
}
