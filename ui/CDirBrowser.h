#pragma once
// "Select Path": picks a folder from a tree of the file system's folders. "MK Dir" makes a folder
// of the typed name inside the selected one and selects it; "Set" ends the dialog with the
// selected folder. Paths end in '/', as the settings keep directories.

#include <QDialog>
#include <QString>

class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace platform {
class Prompter;
}
namespace ui {
class ValueField;
}

inline constexpr const char* kFolderNameMissing = "Please enter a folder name.";
inline constexpr const char* kFolderNameInvalid =
    "A folder name cannot contain \"/\" and cannot be \".\" or \"..\".";
inline constexpr const char* kFolderExists = "A folder of that name already exists.";
inline constexpr const char* kFolderNotCreated = "The folder could not be created here.";

class CDirBrowser : public QDialog {
    Q_OBJECT
public:
    // Starts at start, or at its nearest existing parent when it is gone (the home folder when
    // nothing of it exists).
    CDirBrowser(const QString& start, platform::Prompter& prompter, QWidget* parent = nullptr);

    // The selected folder, ending in '/'.
    QString selectedPath() const;
    // Selects a folder shown in the tree; false when it is not there.
    bool select(const QString& path);

    // The folder a start path opens at: the path itself, or its nearest existing parent, or the
    // home folder; with its '/' at the end.
    static QString startFolder(const QString& start);

private:
    void makeFolder();
    void showPath();

    platform::Prompter& prompter_;
    QFileSystemModel* model_;
    QTreeView* tree_;
    QLineEdit* name_;
    ui::ValueField* path_;
};
