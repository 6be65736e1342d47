#include "ui/CDirBrowser.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/Prompter.h"
#include "ui/ValueField.h"

namespace {

QString withSlash(QString path) {
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path;
}

QPushButton* button(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAccessibleName(text);
    b->setAutoDefault(false);
    return b;
}

} // namespace

CDirBrowser::CDirBrowser(const QString& start, platform::Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter), model_(new QFileSystemModel(this)),
      tree_(new QTreeView(this)), name_(new QLineEdit(this)),
      path_(new ui::ValueField(QString(), QStringLiteral("Current Path"), this)) {
    setWindowTitle(QStringLiteral("Select Path"));
    setAccessibleName(windowTitle());

    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setReadOnly(false); // lets the model make folders (MK Dir)
    model_->setRootPath(QStringLiteral("/"));
    tree_->setModel(model_);
    tree_->setAccessibleName(QStringLiteral("Folders"));
    tree_->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    name_->setAccessibleName(QStringLiteral("Folder Name"));
    path_->setWordWrap(true);

    QPushButton* makeDir = button(QStringLiteral("MK Dir"), this);
    QPushButton* set = button(QStringLiteral("Set"), this);
    auto* row = new QHBoxLayout;
    row->addWidget(name_, 1);
    row->addWidget(makeDir);
    row->addWidget(set);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_, 1);
    layout->addLayout(row);
    layout->addWidget(path_);

    connect(makeDir, &QPushButton::clicked, this, &CDirBrowser::makeFolder);
    connect(set, &QPushButton::clicked, this, &QDialog::accept);
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CDirBrowser::showPath);

    // A hidden start folder is not in the tree: its nearest shown parent is selected instead.
    QString folder = startFolder(start);
    while (!select(folder) && folder != QLatin1String("/")) {
        QDir up(folder);
        up.cdUp();
        folder = withSlash(up.absolutePath());
    }
}

QString CDirBrowser::startFolder(const QString& start) {
    if (start.isEmpty() || !QDir::isAbsolutePath(start)) return withSlash(QDir::homePath());
    QString path = QDir::cleanPath(start);
    while (!QFileInfo(path).isDir() && path != QLatin1String("/"))
        path = QFileInfo(path).path();
    return withSlash(path);
}

bool CDirBrowser::select(const QString& path) {
    const QModelIndex index = model_->index(QDir::cleanPath(path));
    if (!index.isValid()) return false;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        tree_->expand(up);
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
    showPath();
    return true;
}

QString CDirBrowser::selectedPath() const {
    const QModelIndex index = tree_->currentIndex();
    return withSlash(index.isValid() ? model_->filePath(index) : QDir::homePath());
}

void CDirBrowser::showPath() {
    path_->setValue(selectedPath());
}

void CDirBrowser::makeFolder() {
    const QString name = name_->text().trimmed();
    if (name.isEmpty()) {
        prompter_.message(kFolderNameMissing);
        return;
    }
    if (name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String("..")) {
        prompter_.message(kFolderNameInvalid);
        return;
    }
    const QString parent = selectedPath();
    if (QFileInfo::exists(parent + name)) {
        prompter_.message(kFolderExists);
        return;
    }
    const QModelIndex made = model_->mkdir(model_->index(QDir::cleanPath(parent)), name);
    if (!made.isValid()) {
        prompter_.message(kFolderNotCreated);
        return;
    }
    name_->clear();
    select(parent + name);
}
