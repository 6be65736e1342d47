#include "ui/CCnfPath.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>
#include <string>

#include "engine/GpsEngine.h"
#include "platform/Prompter.h"
#include "ui/CDirBrowser.h"

namespace {

QLineEdit* pathField(const QString& name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    field->setAccessibleName(name);
    return field;
}

// A settings path field from the page's text; false, field untouched, when it does not fit.
bool storePath(const QString& text, char (&field)[engine::kPathCapacity]) {
    const std::string path = text.toStdString();
    if (path.size() >= sizeof field) return false;
    std::memset(field, 0, sizeof field);
    std::memcpy(field, path.data(), path.size());
    return true;
}

} // namespace

CCnfPath::CCnfPath(ui::ConfigContext& context, QWidget* parent)
    : ui::ConfigPage(context, parent),
      waypointPath_(pathField(QStringLiteral("Waypoint Data Path"), this)),
      exchangePath_(pathField(QStringLiteral("Data Exchange Path"), this)),
      protected_(new QCheckBox(QStringLiteral("Ini File Write Protected"), this)),
      picker_([this](const QString& start) -> std::optional<QString> {
          CDirBrowser browser(start, prompter(), this);
          if (browser.exec() != QDialog::Accepted) return std::nullopt;
          return browser.selectedPath();
      }) {
    protected_->setAccessibleName(protected_->text());

    auto* grid = new QGridLayout(this);
    int row = 0;
    for (QLineEdit* field : {waypointPath_, exchangePath_}) {
        auto* label = new QLabel(field->accessibleName(), this);
        label->setBuddy(field);
        auto* browseButton = new QPushButton(QStringLiteral("Browse"), this);
        // Two buttons read "Browse": each is named for its field, so a screen reader tells them
        // apart.
        browseButton->setAccessibleName(QStringLiteral("Browse ") + field->accessibleName());
        grid->addWidget(label, row++, 0, 1, 2);
        grid->addWidget(field, row, 0);
        grid->addWidget(browseButton, row++, 1);
        connect(browseButton, &QPushButton::clicked, this, [this, field] { browse(field); });
    }
    grid->addWidget(protected_, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    connect(protected_, &QCheckBox::clicked, this, &CCnfPath::protectionClicked);
    load();
}

void CCnfPath::load() {
    const engine::Settings& s = settings();
    waypointPath_->setText(QString::fromUtf8(s.WaypointPath));
    exchangePath_->setText(QString::fromUtf8(s.DataExchangePath));
    const QSignalBlocker blocker(protected_);
    protected_->setChecked(s.Protected != 0);
}

void CCnfPath::browse(QLineEdit* field) {
    // Refused before the dialog opens: acceptEdit shows why.
    if (settings().Protected != 0) {
        acceptEdit();
        return;
    }
    const std::optional<QString> chosen = picker_(field->text());
    if (!chosen) return;
    QString path = *chosen;
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    if (path.toUtf8().size() >= engine::kPathCapacity) {
        prompter().message(kPathTooLong);
        return;
    }
    if (!acceptEdit()) return;
    field->setText(path);
    field->setFocus();
}

void CCnfPath::protectionClicked() {
    prompter().message(kProtectionFixed);
    const QSignalBlocker blocker(protected_);
    protected_->setChecked(settings().Protected != 0);
}

void CCnfPath::apply() {
    engine::Settings& s = settings();
    storePath(waypointPath_->text(), s.WaypointPath);
    storePath(exchangePath_->text(), s.DataExchangePath);
}
