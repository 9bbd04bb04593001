#pragma once
// The board-library seam: the maker's library of USB input boards, called exactly as its
// contract fixes (records of 844 bytes, 129 of them, a 513-byte read buffer).
#include <array>
#include <cstddef>
#include <cstdint>

namespace qm {

inline constexpr std::size_t kHidRecordSize = 844;
inline constexpr int kHidRecordCount = 129;
inline constexpr std::size_t kHidReadBufferSize = 513;
inline constexpr int kMaxBoardButtons = 512;

// Byte offsets of what the programs read in a record; the rest belongs to the library.
namespace hid_record {
inline constexpr std::size_t ButtonCount = 4;     // 16-bit signed
inline constexpr std::size_t Path = 43;           // 256 bytes of ANSI text
inline constexpr std::size_t PathLength = 300;    // 32-bit signed, characters
inline constexpr std::size_t Product = 304;       // 256 bytes of ANSI text
inline constexpr std::size_t ProductLength = 560; // 32-bit signed, characters
inline constexpr std::size_t TextCapacity = 256;
} // namespace hid_record

struct HidDeviceRecord {
    std::array<std::uint8_t, kHidRecordSize> Bytes{};
};
static_assert(sizeof(HidDeviceRecord) == kHidRecordSize);

using HidReadBuffer = std::array<std::uint8_t, kHidReadBufferSize>;

// ReadInputData results.
inline constexpr std::int32_t kHidNewData = 2;
inline constexpr std::int32_t kHidNoNewData = 3;
inline constexpr std::int32_t kHidReadFailure = 4;

class BoardLibrary {
public:
    virtual ~BoardLibrary() = default;
    // Fills `count` records from table[0]; 0 means no board or failure. `table` has
    // kHidRecordCount records. `mode` is always 4.
    virtual std::int16_t DetectHID(std::int16_t& count, HidDeviceRecord* table,
                                   std::int32_t mode) = 0;
    // Reads one board into the 513-byte buffer; `mode` is always 0.
    virtual std::int32_t ReadInputData(HidDeviceRecord& record, HidReadBuffer& buffer,
                                       std::int32_t mode) = 0;
    // Releases the boards of the last detection.
    virtual void CloseDevices(std::int16_t count, HidDeviceRecord* table) = 0;
};

} // namespace qm
