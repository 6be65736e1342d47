#pragma once
// The one way code below the user interface talks to the user: messages, Yes/No questions and
// file dialogs. The program shows them in windows, command-line tools on stderr, and tests record
// them and answer from a script.

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr std::string_view kDefaultCaption = "Corvane";

// What a save dialog with several file types gives back: the path and which type was chosen.
struct SaveChoice {
    std::string path;
    int filterIndex = 0; // 0-based, in the order the filters were given
};

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void message(std::string_view text, std::string_view caption = kDefaultCaption) = 0;
    // True for Yes.
    virtual bool askYesNo(std::string_view text, std::string_view caption = kDefaultCaption) = 0;
    // A chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string>
    saveFileName(std::string_view title, std::string_view initialPath, std::string_view filter) = 0;
    virtual std::optional<std::string>
    openFileName(std::string_view title, std::string_view initialPath, std::string_view filter) = 0;
    // A save dialog offering several file types (filters joined by ";;"), selectedFilter
    // preselected; the chosen path and type, or nothing when the user cancelled. By default the
    // plain save dialog, whose answer keeps the preselected type.
    virtual std::optional<SaveChoice> saveFileNameAndType(std::string_view title,
                                                          std::string_view initialPath,
                                                          std::string_view filters,
                                                          int selectedFilter);
};

// Command-line tools: each message on stderr followed by a line end; questions are answered No
// and dialogs cancelled, since nobody is there to answer them.
class StderrPrompter final : public Prompter {
public:
    void message(std::string_view text, std::string_view caption = kDefaultCaption) override;
    bool askYesNo(std::string_view text, std::string_view caption = kDefaultCaption) override;
    std::optional<std::string> saveFileName(std::string_view title, std::string_view initialPath,
                                            std::string_view filter) override;
    std::optional<std::string> openFileName(std::string_view title, std::string_view initialPath,
                                            std::string_view filter) override;
};

// Tests: keeps everything it was asked to show and answers from a script. When the script runs
// out, questions are answered No and dialogs are cancelled.
class RecordingPrompter final : public Prompter {
public:
    enum class Kind { Message, Question, SaveDialog, OpenDialog };
    struct Entry {
        Kind kind;
        std::string text;
        std::string caption;
    };

    void message(std::string_view text, std::string_view caption = kDefaultCaption) override;
    bool askYesNo(std::string_view text, std::string_view caption = kDefaultCaption) override;
    std::optional<std::string> saveFileName(std::string_view title, std::string_view initialPath,
                                            std::string_view filter) override;
    std::optional<std::string> openFileName(std::string_view title, std::string_view initialPath,
                                            std::string_view filter) override;
    // Answers with the next queued file name and the next queued type (the preselected one when
    // none is queued).
    std::optional<SaveChoice> saveFileNameAndType(std::string_view title,
                                                  std::string_view initialPath,
                                                  std::string_view filters,
                                                  int selectedFilter) override;

    // What a save dialog with file types was asked to offer.
    struct SaveRequest {
        std::string initialPath;
        std::string filters;
        int selectedFilter = 0;
    };

    void queueAnswer(bool yes) { answers_.push_back(yes); }
    void queueFileName(std::optional<std::string> path) { fileNames_.push_back(std::move(path)); }
    void queueFilterIndex(int index) { filterIndices_.push_back(index); }

    const std::vector<Entry>& entries() const { return entries_; }
    // Texts of the plain messages only, in the order shown.
    std::vector<std::string> messages() const;
    const std::vector<SaveRequest>& saveRequests() const { return saveRequests_; }
    void clear() {
        entries_.clear();
        saveRequests_.clear();
    }

private:
    std::vector<Entry> entries_;
    std::deque<bool> answers_;
    std::deque<std::optional<std::string>> fileNames_;
    std::deque<int> filterIndices_;
    std::vector<SaveRequest> saveRequests_;
};

} // namespace platform
