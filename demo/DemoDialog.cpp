#include "demo/DemoDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

DemoDialog::DemoDialog(DemoMessages& messages, QWidget* parent)
    : QDialog(parent), tick_(addField("Tic")), quality_(addField("Quality")),
      latitude_(addField("Lat")), longitude_(addField("Lon")), altitude_(addField("Elv")),
      pdop_(addField("pdop")), mode_(addField("Mode")), ehe_(addField("ehe")),
      count_(addField("Count")), client_(*this, messages) {
    setWindowTitle(QStringLiteral("ZezOdize - Demo 1"));
    auto* rows = new QGridLayout;
    const struct {
        const char* label;
        QLineEdit* value;
        QLineEdit* right;
    } layout[] = {{"Tic", tick_, quality_},     {"Lat", latitude_, nullptr},
                  {"Lon", longitude_, nullptr}, {"Elv", altitude_, nullptr},
                  {"pdop", pdop_, mode_},       {"ehe", ehe_, count_}};
    int row = 0;
    for (const auto& line : layout) {
        auto* label = new QLabel(QString::fromLatin1(line.label), this);
        label->setAccessibleName(label->text());
        label->setBuddy(line.value);
        rows->addWidget(label, row, 0);
        rows->addWidget(line.value, row, 1);
        if (line.right) rows->addWidget(line.right, row, 2);
        ++row;
    }
    auto* buttons = new QHBoxLayout;
    QPushButton* get = addButton("Get");
    QPushButton* timed = addButton("Timed");
    QPushButton* realTime = addButton("Real Time");
    QPushButton* quit = addButton("Quit");
    buttons->addWidget(get);
    buttons->addWidget(timed);
    buttons->addWidget(realTime);
    auto* main = new QVBoxLayout(this);
    main->addLayout(rows);
    main->addLayout(buttons);
    main->addWidget(quit);

    connect(get, &QPushButton::clicked, this, [this] { client_.get(); });
    connect(timed, &QPushButton::clicked, this, [this] { client_.timed(); });
    connect(realTime, &QPushButton::clicked, this, [this] { client_.realTime(); });
    connect(quit, &QPushButton::clicked, this, &QDialog::accept);
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, [this] { client_.timerTick(); });
    client_.refresh();
}

DemoDialog::~DemoDialog() {
    client_.stopWorker();
}

QLineEdit* DemoDialog::addField(const char* name) {
    auto* field = new QLineEdit(this);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setAccessibleName(QString::fromLatin1(name));
    return field;
}

QPushButton* DemoDialog::addButton(const char* text) {
    auto* button = new QPushButton(QString::fromLatin1(text), this);
    button->setAccessibleName(button->text());
    button->setAutoDefault(false);
    return button;
}

void DemoDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void DemoDialog::showFields(const DemoFields& fields) {
    const std::pair<QLineEdit*, const std::string*> targets[] = {
        {tick_, &fields.tick},         {quality_, &fields.quality},
        {latitude_, &fields.latitude}, {longitude_, &fields.longitude},
        {altitude_, &fields.altitude}, {pdop_, &fields.pdop},
        {mode_, &fields.mode},         {ehe_, &fields.ehe},
        {count_, &fields.count}};
    for (const auto& [field, text] : targets)
        field->setText(QString::fromStdString(*text));
}

void DemoDialog::setTimerRunning(bool running) {
    if (running)
        timer_.start();
    else
        timer_.stop();
}

void DemoDialog::postRefresh() {
    QMetaObject::invokeMethod(
        this, [this] { client_.refreshFromWorker(); }, Qt::QueuedConnection);
}
