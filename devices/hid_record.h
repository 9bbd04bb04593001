#pragma once
// The fields the programs use in a board record. Reads are clamped, so a hostile record cannot
// reach past its fields: text lengths to 0..256, button counts to 0..512.
#include "devices/board_library.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

struct HidRecordFields {
    int Buttons = 0;      // 0 when the record reports none or a negative count
    std::string Identity; // DeviceIdentity: the path less its last 5 characters
    std::string Product;  // display name
};

// The fields, texts converted from the ANSI code page, cut to their lengths in characters, and
// with quotes and control characters made harmless.
HidRecordFields ReadHidRecord(const HidDeviceRecord& record);

// Writes the fields as the library does (ANSI texts cut to 256 bytes, their lengths); the
// record's other bytes are left alone.
void WriteHidRecord(HidDeviceRecord& record, std::string_view pathAnsi,
                    std::string_view productAnsi, int buttons);

// Little-endian integers at a byte offset, as the library stores them.
void SetHidInt16(HidDeviceRecord& record, std::size_t offset, std::int16_t value);
void SetHidInt32(HidDeviceRecord& record, std::size_t offset, std::int32_t value);

} // namespace qm
