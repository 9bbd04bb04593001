#include "core/qmf_file.h"

#include "core/app_error.h"

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
    std::vector<std::string_view> lines;
    if (!ReadRecordLines(reader, count, lines))
        return false;
    record.resize(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        record[i] = ParseQmfValue(lines[i]);
    return true;
}

bool IsLoadableButton(const Variant& first) {
    const double n = first.ToNumber();
    return n > 0 && n <= kMaxButtonNumber;
}

} // namespace qm
