#include "core/qmf_file.h"

#include "core/app_error.h"
#include "core/paths.h"
#include "core/text.h"

namespace qm {

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
