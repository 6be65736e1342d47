#include "ui/QtPrompter.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace ui {

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString defaultSuffix(const QString& filter) {
    static const QRegularExpression firstPattern(QStringLiteral("\\(\\s*\\*\\.([^\\s;)*]+)"));
    const QRegularExpressionMatch m = firstPattern.match(filter);
    return m.hasMatch() ? m.captured(1) : QString();
}

void QtPrompter::message(std::string_view text, std::string_view caption) {
    QMessageBox box(QMessageBox::NoIcon, fromUtf8(caption), fromUtf8(text), QMessageBox::Ok,
                    parent_);
    box.exec();
}

bool QtPrompter::askYesNo(std::string_view text, std::string_view caption) {
    QMessageBox box(QMessageBox::Question, fromUtf8(caption), fromUtf8(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtPrompter::saveFileName(std::string_view title,
                                                    std::string_view initialPath,
                                                    std::string_view filter) {
    auto chosen = runFileDialog(true, title, initialPath, filter, 0);
    if (!chosen) return std::nullopt;
    return std::move(chosen->path);
}

std::optional<std::string> QtPrompter::openFileName(std::string_view title,
                                                    std::string_view initialPath,
                                                    std::string_view filter) {
    auto chosen = runFileDialog(false, title, initialPath, filter, 0);
    if (!chosen) return std::nullopt;
    return std::move(chosen->path);
}

std::optional<platform::SaveChoice> QtPrompter::saveFileNameAndType(std::string_view title,
                                                                    std::string_view initialPath,
                                                                    std::string_view filters,
                                                                    int selectedFilter) {
    return runFileDialog(true, title, initialPath, filters, selectedFilter);
}

std::optional<platform::SaveChoice> QtPrompter::runFileDialog(bool save, std::string_view title,
                                                              std::string_view initialPath,
                                                              std::string_view filter,
                                                              int selectedFilter) {
    QFileDialog dialog(parent_, fromUtf8(title), fromUtf8(initialPath));
    const QStringList filters = fromUtf8(filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) {
        const QString& first =
            filters.at(selectedFilter >= 0 && selectedFilter < filters.size() ? selectedFilter : 0);
        dialog.selectNameFilter(first);
        dialog.setDefaultSuffix(defaultSuffix(first));
    }
    if (save) {
        // A save goes into an existing folder, and replacing a file is confirmed first.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    // The suffix follows the filter the user picks.
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& chosen) { dialog.setDefaultSuffix(defaultSuffix(chosen)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    // Types may share a pattern ("*.txt" for tab and comma delimited text): the name tells them
    // apart.
    const int index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    return platform::SaveChoice{dialog.selectedFiles().front().toStdString(),
                                index < 0 ? 0 : index};
}

} // namespace ui
