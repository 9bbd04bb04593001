#pragma once
// What both readers and the writer share about the .qmf layout.
#include "core/qmf_values.h"

#include <string_view>
#include <vector>

namespace qm {

// The version a configuration is written in unless it uses a control or a behaviour that
// version cannot carry; then it is written in kNewestFileVersion. The runner reads both.
inline constexpr std::string_view kFileVersion = "1.4";
inline constexpr std::string_view kNewestFileVersion = "1.5";

// Whether a version line's text names a version newer than kNewestFileVersion: digits, a dot and
// digits, compared as decimal numbers ("2.0" and "1.5" are newer, "1.40" is 1.4). A file of a
// newer version is refused, never read as an older one. Text of any other form is not newer.
bool IsNewerFileVersion(std::string_view version);

// Values per record of each version.
inline constexpr int kRecordValues15 = 81;
inline constexpr int kRecordValues14 = 74;
inline constexpr int kRecordValues13 = 71;
inline constexpr int kRecordValues12 = 9;
inline constexpr int kRecordValues11 = 6;

// Button numbers a record may carry; others are skipped.
inline constexpr int kMaxButtonNumber = 512;

// Reads `count` values into `record` (reusing its storage). False when the file ends inside
// the record.
bool ReadRecord(QmfValueReader& reader, int count, std::vector<Variant>& record);

// Reads the raw lines of a record, as ReadRecord does.
bool ReadRecordLines(QmfValueReader& reader, int count, std::vector<std::string_view>& lines);

// Whether a record's first value names a loadable button (greater than 0, at most 512).
// Throws AppError(Type mismatch) when it is not a number.
bool IsLoadableButton(const Variant& first);

// Whether a path names a configuration file: its extension is ".qmf", in any case. Nothing
// else is read, run or offered for deletion as a configuration.
bool IsConfigurationPath(std::string_view path);

} // namespace qm
