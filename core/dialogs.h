#pragma once
// The user-dialogs seam: every message the programs show goes through it.
#include <optional>
#include <string>

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

// An open-file dialog: its title and its filter ("All Files (*.*)|*.*|Vantrel Files
// (*.qmf)|*.qmf").
struct FileDialogRequest {
    std::string title;
    std::string filter;
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

} // namespace qm
