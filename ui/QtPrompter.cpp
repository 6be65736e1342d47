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
    return runFileDialog(true, title, initialPath, filter);
}

std::optional<std::string> QtPrompter::openFileName(std::string_view title,
                                                    std::string_view initialPath,
                                                    std::string_view filter) {
    return runFileDialog(false, title, initialPath, filter);
}

std::optional<std::string> QtPrompter::runFileDialog(bool save, std::string_view title,
                                                     std::string_view initialPath,
                                                     std::string_view filter) {
    QFileDialog dialog(parent_, fromUtf8(title), fromUtf8(initialPath));
    const QStringList filters = fromUtf8(filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) {
        dialog.selectNameFilter(filters.front());
        dialog.setDefaultSuffix(defaultSuffix(filters.front()));
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
    return dialog.selectedFiles().front().toStdString();
}

} // namespace ui
