#pragma once
// The program's prompter: messages and Yes/No questions in message boxes, file names through the
// file dialogs. Filters come as Qt name filters ("WAY Point File (*.txt)", several joined by
// ";;"); the first one (or the one asked for) is selected and gives the default suffix.

#include <QString>

#include "platform/Prompter.h"

class QWidget;

namespace ui {

// The suffix a file name gets when the user types none: the extension of the filter's first
// pattern ("txt" for "WAY Point File (*.txt)"), empty when it has none ("*" or "*.*").
QString defaultSuffix(const QString& filter);

class QtPrompter final : public platform::Prompter {
public:
    // parent: the window the boxes and dialogs belong to (may change as windows come and go).
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(std::string_view text, std::string_view caption) override;
    bool askYesNo(std::string_view text, std::string_view caption) override;
    std::optional<std::string> saveFileName(std::string_view title, std::string_view initialPath,
                                            std::string_view filter) override;
    std::optional<std::string> openFileName(std::string_view title, std::string_view initialPath,
                                            std::string_view filter) override;
    std::optional<platform::SaveChoice> saveFileNameAndType(std::string_view title,
                                                            std::string_view initialPath,
                                                            std::string_view filters,
                                                            int selectedFilter) override;

private:
    std::optional<platform::SaveChoice> runFileDialog(bool save, std::string_view title,
                                                      std::string_view initialPath,
                                                      std::string_view filter, int selectedFilter);
    QWidget* parent_;
};

} // namespace ui
