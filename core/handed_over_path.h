#pragma once
// A second start of a program hands the configuration path of its command line to the copy
// that runs (a WM_COPYDATA message to its main window). The message carries the tag below and
// the full path in UTF-16 with its terminating NUL; the receiving copy acts only on a message of
// that shape, since any program may send one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace qm {

// The message's tag (its dwData).
inline constexpr std::uintptr_t kHandedOverPathTag = 0x514D4850;
// The longest path the programs accept, in UTF-16 units with the terminating NUL: the system's
// longest path, also the longest command line.
inline constexpr std::size_t kLongestPathUnits = 32767;

// The path a received message carries: `bytes` bytes at `data` under `tag`. Nothing unless
// the tag is ours and the data is one full path ("X:\..." or "\\server\..."), NUL-terminated,
// with no NUL before its end, and within kLongestPathUnits.
std::optional<std::u16string> HandedOverPath(std::uintptr_t tag, const void* data,
                                             std::size_t bytes);

} // namespace qm
