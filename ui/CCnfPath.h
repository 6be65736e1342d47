#pragma once
// The "File" page of the configuration sheet: the folder of the waypoint file and the folder of
// the data exchange file, each chosen with "Browse", and the write protection of cv.ini, which is
// only shown: it is changed by editing the file.

#include <QString>
#include <functional>
#include <optional>

#include "ui/ConfigPage.h"

class QCheckBox;
class QLineEdit;

inline constexpr const char* kPathTooLong = "The path of this folder is too long.";
inline constexpr const char* kProtectionFixed =
    "Cannot change this option through the application. Please read the manual for details.";

class CCnfPath : public ui::ConfigPage {
    Q_OBJECT
public:
    // Asks for a folder starting at the given one; nothing when the user gave none. By default
    // the "Select Path" dialog (CDirBrowser).
    using FolderPicker = std::function<std::optional<QString>(const QString& start)>;

    explicit CCnfPath(ui::ConfigContext& context, QWidget* parent = nullptr);

    void load() override;
    void apply() override;

    void setFolderPicker(FolderPicker picker) { picker_ = std::move(picker); }

private:
    void browse(QLineEdit* field);
    void protectionClicked();

    QLineEdit* waypointPath_;
    QLineEdit* exchangePath_;
    QCheckBox* protected_;
    FolderPicker picker_;
};
