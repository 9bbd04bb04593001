#include "editor/list_maintenance.h"

#include "core/messages.h"
#include "core/qmf_file.h"
#include "core/text.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <unordered_map>
#include <utility>
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

// Rows that map the same button of the same device share this: the same button text, the
// same identity trimmed and without regard to case.
std::string DuplicateKey(const PackedRow& row) {
    const std::string_view button = row.Text(col::Button);
    return std::to_string(button.size()) + ':' + std::string(button) + IdentityKey(IdentityOf(row));
}

DuplicateRow Listed(const PackedRow& row) {
    DuplicateRow listed;
    for (std::size_t c = 0; c < listed.Texts.size(); ++c)
        listed.Texts[c] = row.Text(static_cast<int>(c));
    return listed;
}

// A row's button as a whole number from 1, 0 when it names none.
int WholeButton(const PackedRow& row) {
    const auto n = ButtonNumber(row);
    return n && *n >= 1 && *n <= kMaxButtonNumber && *n == std::floor(*n) ? static_cast<int>(*n)
                                                                          : 0;
}

// What the search for missing buttons needs of a row: active, the device identity it maps (an
// index per attached identity, -1 for any other), its button.
struct RowFacts {
    bool Active;
    int Identity;
    int Button;
};

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
        const auto& devices = devices_.Devices();
        std::unordered_map<std::string, int> identities;
        std::vector<int> identityOf; // per device
        for (const DeviceEntry& device : devices) {
            const int next = static_cast<int>(identities.size());
            identityOf.push_back(
                identities.try_emplace(IdentityKey(device.Identity), next).first->second);
        }
        // The list as an order of rows: the rows now (0 to count - 1), then the rows added.
        const int count = table.RowCount();
        std::vector<RowFacts> facts;
        for (const PackedRow& row : table.Rows()) {
            const auto found = identities.find(IdentityKey(IdentityOf(row)));
            facts.push_back(
                {IsActive(row), found == identities.end() ? -1 : found->second, WholeButton(row)});
        }
        std::vector<int> order(static_cast<std::size_t>(count));
        std::iota(order.begin(), order.end(), 0);
        std::vector<MappingRow> added;

        // Missing buttons of the devices the list has: each after the row of the button
        // before it (or after the row added for that one), or at the very top when no such
        // row comes first.
        std::vector<bool> seen(devices.size(), false);
        for (std::size_t d = 0; d < devices.size(); ++d) {
            const DeviceEntry& device = devices[d];
            const int buttons = device.ButtonCount;
            if (buttons < 1)
                continue;
            // Where the first active row of each button of the device stands.
            std::vector<int> first(static_cast<std::size_t>(buttons) + 1, -1);
            for (std::size_t p = 0; p < order.size(); ++p) {
                const RowFacts& row = facts[static_cast<std::size_t>(order[p])];
                if (!row.Active || row.Identity != identityOf[d])
                    continue;
                seen[d] = true;
                if (row.Button >= 1 && row.Button <= buttons &&
                    first[static_cast<std::size_t>(row.Button)] < 0)
                    first[static_cast<std::size_t>(row.Button)] = static_cast<int>(p);
            }
            if (!seen[d])
                continue;
            // Each new row: the position in `order` it goes before, and its number.
            std::vector<std::pair<int, int>> inserts;
            int insertionPoint = 0;
            for (int b = 1; b <= buttons; ++b) {
                if (const int at = first[static_cast<std::size_t>(b)]; at >= 0) {
                    insertionPoint = at + 1;
                    continue;
                }
                inserts.emplace_back(insertionPoint, count + static_cast<int>(added.size()));
                facts.push_back({true, identityOf[d], b});
                added.push_back(ButtonRow(b, device.Name, device.Identity));
                ++missingItems;
            }
            if (inserts.empty())
                continue;
            // New rows for one place keep the order they were made in.
            std::stable_sort(inserts.begin(), inserts.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            std::vector<int> merged;
            merged.reserve(order.size() + inserts.size());
            auto next = inserts.begin();
            for (std::size_t p = 0; p <= order.size(); ++p) {
                for (; next != inserts.end() && next->first == static_cast<int>(p); ++next)
                    merged.push_back(next->second);
                if (p < order.size())
                    merged.push_back(order[p]);
            }
            order = std::move(merged);
        }
        // Devices the list lacks altogether; one button is not a device worth adding.
        for (std::size_t d = 0; d < devices.size(); ++d) {
            const DeviceEntry& device = devices[d];
            if (device.ButtonCount <= 1 || seen[d])
                continue;
            ++newDevices;
            for (int b = 1; b <= device.ButtonCount; ++b) {
                order.push_back(count + static_cast<int>(added.size()));
                added.push_back(ButtonRow(b, device.Name, device.Identity));
            }
        }
        if (!added.empty())
            table.Rearrange(order, std::move(added));
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
        const int count = table.RowCount();
        std::vector<bool> gone(static_cast<std::size_t>(count), false);
        // The rows that stay, whatever ends the search: a list keeps what was done to it.
        const auto removeGone = [&] {
            std::vector<int> order;
            for (int r = 0; r < count; ++r)
                if (!gone[static_cast<std::size_t>(r)])
                    order.push_back(r);
            table.Rearrange(order, {});
        };
        for (int r = 0; r < count; ++r) {
            if (!IsActive(table.Row(r))) {
                gone[static_cast<std::size_t>(r)] = true;
                ++inactiveItems;
            }
        }
        // The rows of each button of each device in list order, and each row's place there.
        std::unordered_map<std::string, std::vector<int>> sameButton;
        std::vector<std::pair<const std::vector<int>*, std::size_t>> place(
            static_cast<std::size_t>(count), {nullptr, 0});
        for (int r = 0; r < count; ++r) {
            if (gone[static_cast<std::size_t>(r)])
                continue;
            auto& rows = sameButton[DuplicateKey(table.Row(r))];
            place[static_cast<std::size_t>(r)] = {&rows, rows.size()};
            rows.push_back(r);
        }
        try {
            // Each row with the rows after it that map the same button, until the user skips
            // the rest.
            for (int r = 0; r < count; ++r) {
                if (gone[static_cast<std::size_t>(r)])
                    continue;
                const auto& [rows, from] = place[static_cast<std::size_t>(r)];
                std::vector<int> group;
                for (std::size_t k = from; k < rows->size(); ++k)
                    if (!gone[static_cast<std::size_t>((*rows)[k])])
                        group.push_back((*rows)[k]);
                if (group.size() < 2)
                    continue;
                std::vector<DuplicateRow> listed;
                for (const int g : group)
                    listed.push_back(Listed(table.Row(g)));
                const DuplicateChoice choice = dialogs_.ChooseRowToKeep(listed);
                if (choice.What == DuplicateChoice::Action::SkipAll)
                    break;
                const int size = static_cast<int>(group.size());
                if (choice.What != DuplicateChoice::Action::Keep || choice.Kept < 0 ||
                    choice.Kept >= size)
                    continue;
                for (int k = 0; k < size; ++k)
                    if (k != choice.Kept)
                        gone[static_cast<std::size_t>(group[static_cast<std::size_t>(k)])] = true;
                duplicateItems += size - 1;
            }
        } catch (...) {
            removeGone();
            throw;
        }
        removeGone();
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
