#include "editor/configuration_list.h"

#include "core/text.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace qm {

bool KeyLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::toupper(x) < std::toupper(y); });
}

std::string KeyNumbers::Fresh() {
    auto free = std::find(used_.begin(), used_.end(), false);
    const auto n = static_cast<std::size_t>(free - used_.begin());
    if (free == used_.end())
        used_.push_back(true);
    else
        *free = true;
    return "key." + std::to_string(n);
}

void KeyNumbers::Release(std::string_view key) {
    if (key.size() <= 4)
        return;
    const auto digits = key.substr(4);
    std::size_t n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    // Only a number this table issued is freed: anything else would index past it.
    if (error != std::errc() || end != digits.data() + digits.size() || n >= used_.size())
        return;
    used_[n] = false;
}

namespace {

template <typename Entries>
auto FindIn(Entries& entries, std::string_view key) -> decltype(&entries.front()) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const auto& e) { return EqualsIgnoreCase(e.Key, key); });
    return found == entries.end() ? nullptr : &*found;
}

bool SameKey(std::string_view a, std::string_view b) {
    return EqualsIgnoreCase(a, b);
}

} // namespace

ConfigurationEntry* ConfigurationList::Find(std::string_view key) {
    return FindIn(entries_, key);
}

const ConfigurationEntry* ConfigurationList::Find(std::string_view key) const {
    return FindIn(entries_, key);
}

ConfigurationEntry& ConfigurationList::Add(ConfigurationEntry entry) {
    if (auto* existing = Find(entry.Key))
        return *existing;
    entries_.push_back(std::move(entry));
    return entries_.back();
}

void ConfigurationList::Remove(std::string_view key) {
    if (SameKey(selected_, key))
        selected_.clear();
    std::erase_if(entries_, [&](const auto& e) { return SameKey(e.Key, key); });
}

void ConfigurationList::Rename(std::string_view oldKey, ConfigurationEntry entry) {
    auto* existing = Find(oldKey);
    if (existing == nullptr)
        return;
    const std::string from = existing->Key;
    const std::string to = entry.Key;
    *existing = std::move(entry);
    for (auto& tab : tabs_)
        if (SameKey(tab, from))
            tab = to;
    if (const auto found = tables_.find(from); found != tables_.end()) {
        auto table = std::move(found->second);
        tables_.erase(found);
        tables_.insert_or_assign(to, std::move(table));
    }
    if (SameKey(selected_, from))
        selected_ = to;
    if (SameKey(current_, from))
        current_ = to;
}

void ConfigurationList::Select(std::string_view key) {
    selected_ = Find(key) != nullptr ? std::string(key) : std::string();
}

void ConfigurationList::AddTab(std::string_view key) {
    if (!HasTab(key))
        tabs_.emplace_back(key);
}

void ConfigurationList::RemoveTab(std::string_view key) {
    std::erase_if(tabs_, [&](const auto& t) { return SameKey(t, key); });
}

bool ConfigurationList::HasTab(std::string_view key) const {
    return std::any_of(tabs_.begin(), tabs_.end(), [&](const auto& t) { return SameKey(t, key); });
}

bool ConfigurationList::ConfigurationShown() const {
    return !tabs_.empty() && !SameKey(tabs_.front(), kBlankKey);
}

MappingTable* ConfigurationList::Table(std::string_view key) {
    const auto found = tables_.find(key);
    return found == tables_.end() ? nullptr : &found->second;
}

const MappingTable* ConfigurationList::Table(std::string_view key) const {
    const auto found = tables_.find(key);
    return found == tables_.end() ? nullptr : &found->second;
}

MappingTable& ConfigurationList::SetTable(std::string_view key, MappingTable table) {
    const auto found = tables_.find(key);
    if (found != tables_.end())
        return found->second = std::move(table);
    return tables_.emplace(std::string(key), std::move(table)).first->second;
}

void ConfigurationList::DropTable(std::string_view key) {
    const auto found = tables_.find(key);
    if (found != tables_.end())
        tables_.erase(found);
}

} // namespace qm
