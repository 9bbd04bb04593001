#pragma once
// The user-dialogs seam: every message the programs show goes through it, and the file and
// folder dialogs both programs use.
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace qm {

enum class MessageIcon { None, Critical, Question, Exclamation, Information };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct Message {
    std::string text;
    std::string title;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    bool operator==(const Message&) const = default;
};

// A file dialog: its title, its filter ("All Files (*.*)|*.*|Vantrel Files (*.qmf)|*.qmf"),
// the filter shown first (1-based) and the proposed file name.
struct FileDialogRequest {
    FileDialogRequest(std::string title_, std::string filter_, int filterIndex_ = 1,
                      std::string fileName_ = {})
        : title(std::move(title_)), filter(std::move(filter_)), filterIndex(filterIndex_),
          fileName(std::move(fileName_)) {}
    std::string title;
    std::string filter;
    int filterIndex = 1;
    std::string fileName;
    bool operator==(const FileDialogRequest&) const = default;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MessageAnswer ShowMessage(const Message& message) = 0;
    // The chosen file's full path; nothing when cancelled.
    virtual std::optional<std::string> OpenFile(const FileDialogRequest& /*request*/) {
        return std::nullopt;
    }
    // The chosen folder; nothing when cancelled.
    virtual std::optional<std::string> BrowseFolder(const std::string& /*title*/) {
        return std::nullopt;
    }
};

// Dialogs shown only after `before` ran, for every message and every file or folder dialog:
// what lets the keys held down go up before the user is asked anything.
class DialogsAfter final : public Dialogs {
public:
    DialogsAfter(Dialogs& dialogs, std::function<void()> before)
        : dialogs_(dialogs), before_(std::move(before)) {}
    MessageAnswer ShowMessage(const Message& message) override {
        before_();
        return dialogs_.ShowMessage(message);
    }
    std::optional<std::string> OpenFile(const FileDialogRequest& request) override {
        before_();
        return dialogs_.OpenFile(request);
    }
    std::optional<std::string> BrowseFolder(const std::string& title) override {
        before_();
        return dialogs_.BrowseFolder(title);
    }

private:
    Dialogs& dialogs_;
    std::function<void()> before_;
};

// `path`, or when it is empty the file the user chooses in the "Load Configuration File"
// dialog; nothing when that is cancelled.
std::optional<std::string> FileToLoad(Dialogs& dialogs, const std::string& path);

} // namespace qm
