#include "editor/list_maintenance.h"

#include "core/messages.h"
#include "core/text.h"

#include <algorithm>
#include <string>
#include <vector>

namespace qm {

namespace {

// After MarkActive every active flag is a Boolean.
bool IsActive(const PackedRow& row) {
    return row.Tag(col::Description) == Variant::Bool(true);
}

std::string IdentityOf(const PackedRow& row) {
    return row.Tag(col::Device).ToText();
}

// Same button text, same device without regard to case.
bool AreDuplicates(const PackedRow& a, const PackedRow& b) {
    return a.Text(col::Button) == b.Text(col::Button) && SameIdentity(IdentityOf(a), IdentityOf(b));
}

DuplicateRow Listed(const PackedRow& row) {
    DuplicateRow listed;
    for (std::size_t c = 0; c < listed.Texts.size(); ++c)
        listed.Texts[c] = row.Text(static_cast<int>(c));
    return listed;
}

} // namespace

bool ListMaintenance::AddMissingRows() {
    if (devices_.DeviceCount() == 0) {
        dialogs_.ShowMessage(msg::NothingToAdd());
        return false;
    }
    if (table_ == nullptr ||
        dialogs_.ShowMessage(msg::ConfirmAddDevices(programTitle_)) != MessageAnswer::Yes)
        return false;
    MappingTable& table = *table_;
    int missingItems = 0;
    int newDevices = 0;
    {
        const BusyPointer busy(view_);
        table.MarkActive(devices_);
        std::vector<bool> seen(devices_.Devices().size(), false);
        // Missing buttons of the devices the list has: each after the row of the button
        // before it, or at the very top when no such row comes first.
        for (std::size_t d = 0; d < seen.size(); ++d) {
            const DeviceEntry& device = devices_.Devices()[d];
            int insertionPoint = 0; // the row (from 1) the next new row follows
            for (int b = 1; b <= device.ButtonCount; ++b) {
                bool found = false;
                for (int r = 0; r < table.RowCount() && !found; ++r) {
                    const PackedRow& row = table.Row(r);
                    if (!IsActive(row) || !SameIdentity(IdentityOf(row), device.Identity))
                        continue;
                    seen[d] = true;
                    if (ButtonNumber(row) == b) {
                        insertionPoint = r + 1;
                        found = true;
                    }
                }
                if (found || !seen[d])
                    continue;
                insertionPoint = std::min(insertionPoint, table.RowCount());
                table.InsertRow(insertionPoint, ButtonRow(b, device.Name, device.Identity));
                ++insertionPoint;
                ++missingItems;
            }
        }
        // Devices the list lacks altogether; one button is not a device worth adding.
        for (std::size_t d = 0; d < seen.size(); ++d) {
            const DeviceEntry& device = devices_.Devices()[d];
            if (device.ButtonCount <= 1 || seen[d])
                continue;
            ++newDevices;
            for (int b = 1; b <= device.ButtonCount; ++b)
                table.InsertRow(table.RowCount(), ButtonRow(b, device.Name, device.Identity));
        }
        view_.ShowMappingList(&table);
    }
    dialogs_.ShowMessage(msg::ListUpdated(missingItems, newDevices));
    return missingItems > 0 || newDevices > 0;
}

bool ListMaintenance::RemoveInactiveAndDuplicateRows() {
    if (table_ == nullptr ||
        dialogs_.ShowMessage(msg::ConfirmRemoveItems(programTitle_)) != MessageAnswer::Yes)
        return false;
    MappingTable& table = *table_;
    int inactiveItems = 0;
    int duplicateItems = 0;
    {
        const BusyPointer busy(view_);
        table.MarkActive(devices_);
        for (int r = table.RowCount() - 1; r >= 0; --r) {
            if (!IsActive(table.Row(r))) {
                table.RemoveRow(r);
                ++inactiveItems;
            }
        }
        for (int i = 0; i < table.RowCount();) {
            std::vector<int> group = {i};
            for (int j = i + 1; j < table.RowCount(); ++j)
                if (AreDuplicates(table.Row(i), table.Row(j)))
                    group.push_back(j);
            if (group.size() < 2) {
                ++i;
                continue;
            }
            std::vector<DuplicateRow> listed;
            for (const int r : group)
                listed.push_back(Listed(table.Row(r)));
            const DuplicateChoice choice = dialogs_.ChooseRowToKeep(listed);
            if (choice.What == DuplicateChoice::Action::SkipAll)
                break;
            const int size = static_cast<int>(group.size());
            if (choice.What == DuplicateChoice::Action::Keep && choice.Kept >= 0 &&
                choice.Kept < size) {
                for (int k = size - 1; k >= 0; --k)
                    if (k != choice.Kept)
                        table.RemoveRow(group[static_cast<std::size_t>(k)]);
                duplicateItems += size - 1;
                // Row i went: the row that took its place is the next to look at.
                if (choice.Kept != 0)
                    continue;
            }
            ++i;
        }
        view_.ShowMappingList(&table);
    }
    dialogs_.ShowMessage(msg::ItemsRemoved(inactiveItems, duplicateItems));
    return inactiveItems > 0 || duplicateItems > 0;
}

bool ListMaintenance::ReplaceDevice(int selectedRow) {
    if (table_ == nullptr)
        return false;
    if (devices_.DeviceCount() == 0) {
        dialogs_.ShowMessage(msg::RunnerNoDevices());
        return false;
    }
    if (devices_.ButtonTotal() == 0) {
        dialogs_.ShowMessage(msg::NoButtonsToReplace());
        return false;
    }
    MappingTable& table = *table_;
    if (table.RowCount() == 0) {
        dialogs_.ShowMessage(msg::NothingToReplace());
        return false;
    }
    if (dialogs_.ShowMessage(msg::ConfirmReplaceDevice()) != MessageAnswer::Yes)
        return false;
    std::vector<std::string> names;
    for (const DeviceEntry& device : devices_.Devices())
        names.push_back(device.Name);
    const auto chosen = dialogs_.ChooseDevice(names);

    int replaced = 0;
    {
        const BusyPointer busy(view_);
        if (chosen && *chosen >= 0 && *chosen < devices_.DeviceCount() && selectedRow >= 0 &&
            selectedRow < table.RowCount()) {
            const DeviceEntry& device = devices_.Device(*chosen + 1);
            const std::string old = IdentityOf(table.Row(selectedRow));
            // A device is not replaced by itself, whatever the case of its identity; the rows
            // that move are those stored with the old identity exactly.
            if (SameIdentity(old, device.Identity)) {
                dialogs_.ShowMessage(msg::DevicesReplaced(0));
                return false;
            }
            for (int r = 0; r < table.RowCount(); ++r) {
                if (IdentityOf(table.Row(r)) != old)
                    continue;
                table.SetCell(r, col::Device, {device.Name, Variant::Text(device.Identity)});
                ++replaced;
            }
            if (replaced > 0)
                view_.RedrawMappingRows();
        }
    }
    dialogs_.ShowMessage(msg::DevicesReplaced(replaced));
    return replaced > 0;
}

void ClearRowCells(MappingTable& table, int row) {
    if (row < 0 || row >= table.RowCount())
        return;
    const MappingRow fresh = NewMappingRow();
    for (int c :
         {col::Repeat, col::Rotary, col::Multiplier, col::NumLock, col::CapsLock, col::ScrollLock})
        table.SetCell(row, c, fresh[c]);
    table.SetCell(row, col::Description, {"", table.Row(row).Tag(col::Description)});
    for (int c = col::FirstPress; c < kColumnCount; ++c)
        table.SetCell(row, c, {"", Variant::Text("")});
}

} // namespace qm
