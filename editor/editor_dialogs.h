#pragma once
// The editor's dialogs seam: the boxes and dialogs both programs show, plus the save dialog and
// the editor's own duplicate and replace dialogs, which every implementation must answer.
#include "core/dialogs.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace qm {

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

class EditorDialogs : public Dialogs {
public:
    // A save dialog that asks before overwriting: the chosen full path; nothing when cancelled.
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
    // The duplicate dialog over rows that map the same button; closing it skips the group.
    virtual DuplicateChoice ChooseRowToKeep(const std::vector<DuplicateRow>& rows) = 0;
    // The replace dialog: the chosen position in `deviceNames`; nothing when cancelled.
    virtual std::optional<int> ChooseDevice(const std::vector<std::string>& deviceNames) = 0;
};

} // namespace qm
