#pragma once
// The user-dialogs seam: every message the programs show goes through it.
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// A row the duplicate dialog lists: the texts of its first six cells, "Button No." to
// "Description".
struct DuplicateRow {
    std::array<std::string, 6> Texts;
    bool operator==(const DuplicateRow&) const = default;
};

// What the user chose in the duplicate dialog: keep one of the listed rows (0-based), skip this
// group, or skip every group left.
struct DuplicateChoice {
    enum class Action { Keep, Skip, SkipAll };
    Action What = Action::Skip;
    int Kept = 0;
    bool operator==(const DuplicateChoice&) const = default;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MessageAnswer ShowMessage(const Message& message) = 0;
    // The chosen file's full path; nothing when cancelled.
    virtual std::optional<std::string> OpenFile(const FileDialogRequest& /*request*/) {
        return std::nullopt;
    }
    // A save dialog that asks before overwriting: the chosen full path; nothing when cancelled.
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& /*request*/) {
        return std::nullopt;
    }
    // The chosen folder; nothing when cancelled.
    virtual std::optional<std::string> BrowseFolder(const std::string& /*title*/) {
        return std::nullopt;
    }
    // The duplicate dialog over rows that map the same button; closing it skips the group.
    virtual DuplicateChoice ChooseRowToKeep(const std::vector<DuplicateRow>& /*rows*/) {
        return {};
    }
    // The replace dialog: the chosen position in `deviceNames`; nothing when cancelled.
    virtual std::optional<int> ChooseDevice(const std::vector<std::string>& /*deviceNames*/) {
        return std::nullopt;
    }
};

} // namespace qm
