#include "editor/list_maintenance.h"

#include "editor/layer_rows.h"

#include "core/control_cells.h"
#include "core/messages.h"
#include "core/qmf_file.h"
#include "core/text.h"
#include "editor/control_rows.h"

#include <algorithm>
#include <array>
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

// Rows that map the same button of the same device in the same layer share this: the same
// control (ControlKey), the same layer. A layer's row is no duplicate of its base row.
std::string DuplicateKey(const PackedRow& row) {
    return ControlKey(row) + '@' + std::to_string(RowLayer(row));
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
    int Button; // or hat or axis number
    Control Which;
};

// The new row of a device's slot (StandardSlot).
MappingRow SlotRow(const DeviceEntry& device, int slot) {
    const auto [control, number] = SlotControl(device, slot);
    if (control.Kind == ControlKind::Button)
        return ButtonRow(number, device.Name, device.Identity);
    return ControlRow(control, number, device.Name, device.Identity);
}

// The rows AddMissingRows adds, and the list as an order of rows: the rows now (0 to
// count - 1), then the rows added.
struct MissingRows {
    std::vector<int> Order;
    std::vector<PackedRow> Added; // packed: a list at the device limits adds many
    int MissingItems = 0;
    int NewDevices = 0;
};

// `order` with the new rows of `inserts` (the position in `order` each goes before, and its
// number) merged in; new rows for one place keep the order they were made in.
std::vector<int> MergedOrder(const std::vector<int>& order,
                             std::vector<std::pair<int, int>> inserts) {
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
    return merged;
}

// The missing buttons, hat directions and axis directions of `device` (`identity`: its index
// among the attached identities): each after the row of the one before it in the order a new
// list gives them (or after the row added for that one), or at the very top when no such row
// comes first. `facts` has an entry for every row of the plan, the rows added included. False
// when no active row maps the device.
bool InsertMissingButtons(const DeviceEntry& device, int identity, int count,
                          std::vector<RowFacts>& facts, MissingRows& plan) {
    const int slots = StandardSlotCount(device);
    if (slots < 1)
        return false;
    // Where the first active row of each slot of the device stands.
    bool seen = false;
    std::vector<int> first(static_cast<std::size_t>(slots), -1);
    for (std::size_t p = 0; p < plan.Order.size(); ++p) {
        const RowFacts& row = facts[static_cast<std::size_t>(plan.Order[p])];
        if (!row.Active || row.Identity != identity)
            continue;
        seen = true;
        if (const auto slot = StandardSlot(device, row.Which, row.Button);
            slot && first[static_cast<std::size_t>(*slot)] < 0)
            first[static_cast<std::size_t>(*slot)] = static_cast<int>(p);
    }
    if (!seen)
        return false;
    std::vector<std::pair<int, int>> inserts;
    int insertionPoint = 0;
    for (int slot = 0; slot < slots; ++slot) {
        if (const int at = first[static_cast<std::size_t>(slot)]; at >= 0) {
            insertionPoint = at + 1;
            continue;
        }
        inserts.emplace_back(insertionPoint, count + static_cast<int>(plan.Added.size()));
        const auto [control, number] = SlotControl(device, slot);
        facts.push_back({true, identity, number, control});
        plan.Added.emplace_back(SlotRow(device, slot));
        ++plan.MissingItems;
    }
    if (!inserts.empty())
        plan.Order = MergedOrder(plan.Order, std::move(inserts));
    return true;
}

// Rows for the missing buttons of the devices the list has, then rows for the devices it lacks
// altogether; one button (and no hat or axis) is not a device worth adding.
MissingRows PlanMissingRows(const MappingTable& table, const std::vector<DeviceEntry>& devices) {
    std::unordered_map<std::string, int> identities;
    std::vector<int> identityOf; // per device
    for (const DeviceEntry& device : devices) {
        const int next = static_cast<int>(identities.size());
        identityOf.push_back(
            identities.try_emplace(IdentityKey(device.Identity), next).first->second);
    }
    const int count = table.RowCount();
    std::vector<RowFacts> facts;
    for (const PackedRow& row : table.Rows()) {
        const auto found = identities.find(IdentityKey(IdentityOf(row)));
        // A layer's row stands in for no base row: only base rows count as present.
        facts.push_back({IsActive(row) && RowLayer(row) == 0,
                         found == identities.end() ? -1 : found->second, WholeButton(row),
                         RowControl(row)});
    }
    MissingRows plan;
    plan.Order.resize(static_cast<std::size_t>(count));
    std::iota(plan.Order.begin(), plan.Order.end(), 0);

    std::vector<bool> seen(devices.size(), false);
    for (std::size_t d = 0; d < devices.size(); ++d)
        seen[d] = InsertMissingButtons(devices[d], identityOf[d], count, facts, plan);
    for (std::size_t d = 0; d < devices.size(); ++d) {
        const DeviceEntry& device = devices[d];
        if (StandardSlotCount(device) <= 1 || seen[d])
            continue;
        ++plan.NewDevices;
        for (int slot = 0; slot < StandardSlotCount(device); ++slot) {
            plan.Order.push_back(count + static_cast<int>(plan.Added.size()));
            plan.Added.emplace_back(SlotRow(device, slot));
        }
    }
    return plan;
}

// Of each group of rows that map the same button of the same device, the rows the user does
// not keep are marked in `gone`, until the user skips the rest. The number of rows marked.
int MarkDuplicatesGone(const MappingTable& table, std::vector<bool>& gone, EditorDialogs& dialogs) {
    const int count = table.RowCount();
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
    int marked = 0;
    // Each row with the rows after it that map the same button.
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
        const DuplicateChoice choice = dialogs.ChooseRowToKeep(listed);
        if (choice.What == DuplicateChoice::Action::SkipAll)
            break;
        const int size = static_cast<int>(group.size());
        if (choice.What != DuplicateChoice::Action::Keep || choice.Kept < 0 || choice.Kept >= size)
            continue;
        for (int k = 0; k < size; ++k)
            if (k != choice.Kept)
                gone[static_cast<std::size_t>(group[static_cast<std::size_t>(k)])] = true;
        marked += size - 1;
    }
    return marked;
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
        auto plan = PlanMissingRows(table, devices_.Devices());
        missingItems = plan.MissingItems;
        newDevices = plan.NewDevices;
        if (!plan.Added.empty())
            table.Rearrange(plan.Order, std::move(plan.Added));
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
        try {
            duplicateItems = MarkDuplicatesGone(table, gone, dialogs_);
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
    for (int c = col::FirstPress; c < col::KeyEnd; ++c)
        table.SetCell(row, c, {"", Variant::Text("")});
    // Hold off and the points at their defaults; the control stays, a band keeps its band.
    MappingRow cells = table.Row(row).Unpack();
    ControlFields fields = ControlFieldsOf(cells);
    if (fields.Which.Kind == ControlKind::Button && !fields.Hold)
        return; // a button row without Hold keeps its cells empty (written as before)
    // The row keeps its layer; Hold and pointer motion go.
    fields.Hold = false;
    fields.PointerSpeed = fields.PointerCurve = 0;
    fields.Points = DefaultPoints(
        fields.Which, fields.Which.IsBand() ? std::optional(fields.Points.Press) : std::nullopt);
    const auto number = ButtonNumber(table.Row(row));
    SetControlCells(cells, number ? static_cast<int>(*number) : 0, fields);
    for (int c = col::Control; c < kColumnCount; ++c)
        table.SetCell(row, c, cells[c]);
}

namespace {

// The rows of one hat or axis of one device, by the identity stored exactly.
bool SameControl(const PackedRow& row, const PackedRow& of, ControlKind kind) {
    return RowControl(row).Kind == kind && row.Text(col::Button) == of.Text(col::Button) &&
           IdentityOf(row) == IdentityOf(of);
}

// Rows added after the last row of the hat or axis that row `r` reads.
void InsertAfterControl(MappingTable& table, int r, ControlKind kind,
                        std::vector<MappingRow> added) {
    const PackedRow of = table.Row(r);
    int last = r;
    for (int i = 0; i < table.RowCount(); ++i)
        if (SameControl(table.Row(i), of, kind))
            last = i;
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(table.RowCount()) + added.size());
    for (int i = 0; i < table.RowCount(); ++i) {
        order.push_back(i);
        if (i == last)
            for (std::size_t k = 0; k < added.size(); ++k)
                order.push_back(table.RowCount() + static_cast<int>(k));
    }
    table.Rearrange(order, std::vector<PackedRow>(added.begin(), added.end()));
}

} // namespace

int MissingDiagonals(const MappingTable& table, int r) {
    if (r < 0 || r >= table.RowCount() || RowControl(table.Row(r)).Kind != ControlKind::Hat)
        return 0;
    std::array<bool, kHatDirectionCount> present{};
    for (const PackedRow& row : table.Rows())
        if (SameControl(row, table.Row(r), ControlKind::Hat))
            present[static_cast<std::size_t>(RowControl(row).Direction)] = true;
    int missing = 0;
    for (int d = 1; d < kHatDirectionCount; d += 2)
        missing += present[static_cast<std::size_t>(d)] ? 0 : 1;
    return missing;
}

bool AddHatDiagonals(MappingTable& table, int r) {
    if (MissingDiagonals(table, r) == 0)
        return false;
    const PackedRow of = table.Row(r);
    std::array<bool, kHatDirectionCount> present{};
    for (const PackedRow& row : table.Rows())
        if (SameControl(row, of, ControlKind::Hat))
            present[static_cast<std::size_t>(RowControl(row).Direction)] = true;
    std::vector<MappingRow> added;
    const int number = static_cast<int>(ButtonNumber(of).value_or(0));
    for (int d = 1; d < kHatDirectionCount; d += 2) {
        if (present[static_cast<std::size_t>(d)])
            continue;
        MappingRow row = ControlRow(Control{ControlKind::Hat, d}, number,
                                    std::string(of.Text(col::Device)), IdentityOf(of));
        row[col::Device] = of[col::Device];
        row[col::Description].Tag = of.Tag(col::Description);
        added.push_back(std::move(row));
    }
    InsertAfterControl(table, r, ControlKind::Hat, std::move(added));
    return true;
}

bool AddAxisBand(MappingTable& table, int r) {
    if (r < 0 || r >= table.RowCount() || RowControl(table.Row(r)).Kind != ControlKind::Axis)
        return false;
    const PackedRow of = table.Row(r);
    const int number = static_cast<int>(ButtonNumber(of).value_or(0));
    MappingRow row = ControlRow(Control{ControlKind::Axis, static_cast<int>(AxisSide::Band)},
                                number, std::string(of.Text(col::Device)), IdentityOf(of));
    row[col::Device] = of[col::Device];
    row[col::Description].Tag = of.Tag(col::Description);
    InsertAfterControl(table, r, ControlKind::Axis, {std::move(row)});
    return true;
}

} // namespace qm
