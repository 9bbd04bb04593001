#include "core/qmf_file.h"

#include "core/app_error.h"
#include "core/paths.h"
#include "core/text.h"

#include <algorithm>
#include <optional>

namespace qm {

namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A decimal number's whole and fractional digits, without the zeros that do not count.
struct DecimalDigits {
    std::string_view Whole;
    std::string_view Fraction;
};

std::optional<DecimalDigits> DecimalOf(std::string_view text) {
    const auto dot = text.find('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    std::string_view whole = text.substr(0, dot);
    std::string_view fraction = text.substr(dot + 1);
    if (!AllDigits(whole) || !AllDigits(fraction))
        return std::nullopt;
    whole.remove_prefix(std::min(whole.find_first_not_of('0'), whole.size()));
    const auto lastDigit = fraction.find_last_not_of('0');
    fraction = fraction.substr(0, lastDigit == std::string_view::npos ? 0 : lastDigit + 1);
    return DecimalDigits{whole, fraction};
}

} // namespace

bool IsNewerFileVersion(std::string_view version) {
    const auto file = DecimalOf(version);
    const auto known = DecimalOf(kNewestFileVersion);
    if (!file || !known)
        return false;
    // Digit strings of any length compare without overflow: by length, then digit by digit.
    if (file->Whole.size() != known->Whole.size())
        return file->Whole.size() > known->Whole.size();
    if (file->Whole != known->Whole)
        return file->Whole > known->Whole;
    return file->Fraction > known->Fraction;
}

bool ReadRecordLines(QmfValueReader& reader, int count, std::vector<std::string_view>& lines) {
    lines.resize(static_cast<std::size_t>(count));
    try {
        for (auto& line : lines)
            line = reader.NextLine();
    } catch (const AppError&) {
        return false;
    }
    return true;
}

bool ReadRecord(QmfValueReader& reader, int count, std::vector<Variant>& record) {
    record.resize(static_cast<std::size_t>(count));
    try {
        for (auto& value : record)
            value = reader.Next();
    } catch (const AppError&) {
        return false;
    }
    return true;
}

bool IsLoadableButton(const Variant& first) {
    const double n = first.ToNumber();
    return n > 0 && n <= kMaxButtonNumber;
}

bool IsConfigurationPath(std::string_view path) {
    constexpr std::string_view kExtension = ".qmf";
    const std::string name = FileNameOf(path);
    return name.size() > kExtension.size() &&
           EqualsIgnoreCase(std::string_view(name).substr(name.size() - kExtension.size()),
                            kExtension);
}

} // namespace qm
