#include "platform/Prompter.h"

#include <cstdio>
#include <utility>

namespace platform {

std::optional<SaveChoice> Prompter::saveFileNameAndType(std::string_view title,
                                                        std::string_view initialPath,
                                                        std::string_view filters,
                                                        int selectedFilter) {
    std::optional<std::string> path = saveFileName(title, initialPath, filters);
    if (!path) return std::nullopt;
    return SaveChoice{std::move(*path), selectedFilter};
}

void StderrPrompter::message(std::string_view text, std::string_view) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

bool StderrPrompter::askYesNo(std::string_view text, std::string_view caption) {
    message(text, caption);
    return false;
}

std::optional<std::string> StderrPrompter::saveFileName(std::string_view, std::string_view,
                                                        std::string_view) {
    return std::nullopt;
}

std::optional<std::string> StderrPrompter::openFileName(std::string_view, std::string_view,
                                                        std::string_view) {
    return std::nullopt;
}

void RecordingPrompter::message(std::string_view text, std::string_view caption) {
    entries_.push_back({Kind::Message, std::string(text), std::string(caption)});
}

bool RecordingPrompter::askYesNo(std::string_view text, std::string_view caption) {
    entries_.push_back({Kind::Question, std::string(text), std::string(caption)});
    if (answers_.empty()) return false;
    bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

std::optional<std::string> RecordingPrompter::saveFileName(std::string_view title, std::string_view,
                                                           std::string_view) {
    entries_.push_back({Kind::SaveDialog, std::string(title), {}});
    if (fileNames_.empty()) return std::nullopt;
    auto path = fileNames_.front();
    fileNames_.pop_front();
    return path;
}

std::optional<std::string> RecordingPrompter::openFileName(std::string_view title, std::string_view,
                                                           std::string_view) {
    entries_.push_back({Kind::OpenDialog, std::string(title), {}});
    if (fileNames_.empty()) return std::nullopt;
    auto path = fileNames_.front();
    fileNames_.pop_front();
    return path;
}

std::optional<SaveChoice> RecordingPrompter::saveFileNameAndType(std::string_view title,
                                                                 std::string_view initialPath,
                                                                 std::string_view filters,
                                                                 int selectedFilter) {
    saveRequests_.push_back({std::string(initialPath), std::string(filters), selectedFilter});
    std::optional<std::string> path = saveFileName(title, initialPath, filters);
    int index = selectedFilter;
    if (!filterIndices_.empty()) {
        index = filterIndices_.front();
        filterIndices_.pop_front();
    }
    if (!path) return std::nullopt;
    return SaveChoice{std::move(*path), index};
}

std::vector<std::string> RecordingPrompter::messages() const {
    std::vector<std::string> out;
    for (const auto& e : entries_)
        if (e.kind == Kind::Message) out.push_back(e.text);
    return out;
}

} // namespace platform
