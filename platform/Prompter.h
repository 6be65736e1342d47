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

    void queueAnswer(bool yes) { answers_.push_back(yes); }
    void queueFileName(std::optional<std::string> path) { fileNames_.push_back(std::move(path)); }

    const std::vector<Entry>& entries() const { return entries_; }
    // Texts of the plain messages only, in the order shown.
    std::vector<std::string> messages() const;
    void clear() { entries_.clear(); }

private:
    std::vector<Entry> entries_;
    std::deque<bool> answers_;
    std::deque<std::optional<std::string>> fileNames_;
};

} // namespace platform
