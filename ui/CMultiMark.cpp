#include "ui/CMultiMark.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>

#include "data/MarkController.h"
#include "ui/COffsetInput.h"
#include "ui/ValueField.h"

namespace {

QString qtText(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

ui::ValueField* valueField(QWidget* parent, const QString& name) {
    auto* field = new ui::ValueField(QString(), name, parent);
    // A long position text is cut rather than widening the dialog beyond the screen.
    field->setMinimumWidth(1);
    return field;
}

QLabel* caption(QWidget* parent, const char* text, QWidget* buddy) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setAccessibleName(label->text());
    label->setBuddy(buddy);
    return label;
}

QPushButton* pushButton(QWidget* parent, const char* text) {
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setAccessibleName(b->text());
    // Return in the name field must not store or export the point.
    b->setAutoDefault(false);
    return b;
}

} // namespace

CMultiMark::CMultiMark(platform::Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter), main_(new QBoxLayout(QBoxLayout::TopToBottom, this)),
      groups_(new QBoxLayout(QBoxLayout::TopToBottom)), buttons_(new QGridLayout),
      current_(new QGroupBox(QStringLiteral("Current GPS"), this)),
      point_(new QGroupBox(QStringLiteral("Waypoint"), this)),
      quality_(valueField(current_, QStringLiteral("Quality"))),
      verdict_(valueField(current_, QStringLiteral("Verdict"))),
      number_(valueField(point_, QStringLiteral("Number"))), name_(new QLineEdit(point_)),
      progress_(new QProgressBar(this)), offset_(pushButton(this, "Offset")),
      average_(pushButton(this, "Average")), store_(pushButton(this, "Store WPT")),
      export_(pushButton(this, "Export")), cancel_(pushButton(this, "Cancel")) {
    setWindowTitle(QStringLiteral("Mark Point"));
    setAccessibleName(windowTitle());
    setModal(false);
    current_->setAccessibleName(current_->title());
    point_->setAccessibleName(point_->title());

    auto* currentGrid = new QGridLayout(current_);
    currentGrid->addWidget(caption(current_, "Quality", quality_), 0, 0);
    currentGrid->addWidget(quality_, 0, 1);
    currentGrid->addWidget(verdict_, 1, 0, 1, 2);
    currentFields_ = addPositionRows(current_, currentGrid, 2);

    auto* pointGrid = new QGridLayout(point_);
    pointGrid->addWidget(caption(point_, "Number", number_), 0, 0);
    pointGrid->addWidget(number_, 0, 1);
    name_->setAccessibleName(QStringLiteral("Name"));
    pointGrid->addWidget(caption(point_, "Name", name_), 1, 0);
    pointGrid->addWidget(name_, 1, 1);
    pointFields_ = addPositionRows(point_, pointGrid, 2);

    progress_->setAccessibleName(QStringLiteral("Progress"));
    progress_->setFormat(QStringLiteral("%v/%m"));
    progress_->setRange(0, 1);
    progress_->setValue(0);

    groups_->addWidget(current_);
    groups_->addWidget(point_);
    main_->addLayout(groups_, 1);
    main_->addWidget(progress_);
    main_->addLayout(buttons_);

    connect(offset_, &QPushButton::clicked, this, [this] {
        if (controller_ != nullptr) controller_->pressOffset();
    });
    connect(average_, &QPushButton::clicked, this, [this] {
        if (controller_ != nullptr) controller_->pressAverage();
    });
    connect(store_, &QPushButton::clicked, this, [this] {
        if (controller_ != nullptr) controller_->pressStore();
    });
    connect(export_, &QPushButton::clicked, this, [this] {
        if (controller_ != nullptr) controller_->pressExport();
    });
    connect(cancel_, &QPushButton::clicked, this, &CMultiMark::reject);
    // Only the user's edits: the texts the controller sets are not edits.
    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (controller_ != nullptr) controller_->nameEdited(text.toStdU16String());
    });
    arrange(false);
}

CMultiMark::PositionFields CMultiMark::addPositionRows(QGroupBox* group, QGridLayout* grid,
                                                       int row) {
    PositionFields f{valueField(group, QStringLiteral("Location")),
                     valueField(group, QStringLiteral("Elevation")),
                     valueField(group, QStringLiteral("PDOP")),
                     valueField(group, QStringLiteral("EHE"))};
    // Two lines' room: a narrow window wraps the position after its latitude.
    f.location->setWordWrap(true);
    grid->addWidget(caption(group, "Location", f.location), row, 0);
    grid->addWidget(f.location, row, 1, 2, 1);
    const struct {
        const char* text;
        ui::ValueField* field;
    } rows[] = {{"Elevation", f.elevation}, {"PDOP", f.pdop}, {"EHE", f.ehe}};
    row += 2;
    for (const auto& r : rows) {
        grid->addWidget(caption(group, r.text, r.field), row, 0);
        grid->addWidget(r.field, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    return f;
}

void CMultiMark::showTexts(const PositionFields& fields, const data::MarkTexts& texts) {
    fields.location->setValue(qtText(texts.location));
    fields.elevation->setValue(qtText(texts.elevation));
    fields.pdop->setValue(qtText(texts.pdop));
    fields.ehe->setValue(qtText(texts.ehe));
}

QPushButton* CMultiMark::button(data::MarkButton which) const {
    switch (which) {
    case data::MarkButton::Offset:
        return offset_;
    case data::MarkButton::Average:
        return average_;
    case data::MarkButton::Store:
        return store_;
    case data::MarkButton::Export:
        return export_;
    }
    return offset_;
}

void CMultiMark::present(bool startedFromOutside) {
    // Changing the flag re-creates the window, so it is set before showing.
    if (staysOnTop() != startedFromOutside)
        setWindowFlag(Qt::WindowStaysOnTopHint, startedFromOutside);
    show();
    raise();
    activateWindow();
}

bool CMultiMark::staysOnTop() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void CMultiMark::reject() {
    if (controller_ != nullptr && controller_->isOpen())
        controller_->pressCancel(); // hides the window and ends the mark
    else
        QDialog::reject();
}

void CMultiMark::showFixStatus(const std::u16string& text) {
    quality_->setValue(qtText(text));
}

void CMultiMark::showVerdict(const std::u16string& text) {
    verdict_->setValue(qtText(text));
}

void CMultiMark::showCurrent(const data::MarkTexts& texts) {
    showTexts(currentFields_, texts);
}

void CMultiMark::showPoint(const data::MarkTexts& texts) {
    showTexts(pointFields_, texts);
}

void CMultiMark::clearPoint() {
    showTexts(pointFields_, {});
}

void CMultiMark::showWaypointNumber(const std::u16string& text) {
    number_->setValue(qtText(text));
}

void CMultiMark::setName(const std::u16string& text) {
    name_->setText(qtText(text));
}

std::u16string CMultiMark::name() const {
    return name_->text().toStdU16String();
}

void CMultiMark::setButtonText(data::MarkButton which, const std::u16string& text) {
    QPushButton* b = button(which);
    b->setText(qtText(text));
    b->setAccessibleName(b->text());
}

void CMultiMark::setStoreEnabled(bool enabled) {
    store_->setEnabled(enabled);
}

void CMultiMark::showAveraging(bool shown) {
    for (QWidget* w : {static_cast<QWidget*>(progress_), static_cast<QWidget*>(average_)}) {
        w->setVisible(shown);
        w->setEnabled(shown);
    }
}

void CMultiMark::setProgressRange(int maximum) {
    progress_->setRange(0, maximum);
}

void CMultiMark::setProgress(int position) {
    progress_->setValue(position);
}

bool CMultiMark::askOffset(data::OffsetInputValues& values) {
    return COffsetInput::ask(values, prompter_, this);
}

void CMultiMark::hide() {
    QDialog::hide();
}

void CMultiMark::markClosed(bool exported) {
    if (closed_) closed_(exported);
}

void CMultiMark::arrange(bool landscape) {
    landscape_ = landscape;
    groups_->setDirection(landscape ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    // One row of buttons beside each other on a wide window; two rows on a narrow one.
    QPushButton* const order[] = {offset_, average_, store_, export_, cancel_};
    const int columns = landscape ? 5 : 3;
    for (QPushButton* b : order)
        buttons_->removeWidget(b);
    int i = 0;
    for (QPushButton* b : order) {
        buttons_->addWidget(b, i / columns, i % columns);
        ++i;
    }
    main_->activate();
}

void CMultiMark::resizeEvent(QResizeEvent* event) {
    const bool landscape = event->size().width() > event->size().height();
    if (landscape != landscape_) arrange(landscape);
    QDialog::resizeEvent(event);
}
