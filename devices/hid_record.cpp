#include "devices/hid_record.h"

#include "core/ansi_text.h"
#include "core/text.h"
#include "devices/device_identity.h"

#include <algorithm>
#include <cstring>

namespace qm {

namespace {

std::int32_t ReadInt32(const HidDeviceRecord& r, std::size_t offset) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(r.Bytes[offset + i]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

std::int16_t ReadInt16(const HidDeviceRecord& r, std::size_t offset) {
    const auto v = static_cast<std::uint16_t>(r.Bytes[offset] | (r.Bytes[offset + 1] << 8));
    return static_cast<std::int16_t>(v);
}

// The first `characters` characters of UTF-8 text.
std::string Utf8Prefix(const std::string& s, int characters) {
    std::size_t end = 0;
    for (int n = 0; n < characters && end < s.size(); ++n) {
        ++end;
        while (end < s.size() && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
            ++end;
    }
    return s.substr(0, end);
}

// The text field at `offset`, whole, and its length in characters (stored at `lengthOffset`).
// The whole field is converted, so the length counts characters even in a double-byte code page.
std::string ReadText(const HidDeviceRecord& r, std::size_t offset, std::size_t lengthOffset,
                     int& length) {
    length = std::clamp(ReadInt32(r, lengthOffset), 0, static_cast<int>(hid_record::TextCapacity));
    return AnsiToUtf8(std::string_view(reinterpret_cast<const char*>(r.Bytes.data() + offset),
                                       hid_record::TextCapacity));
}

void WriteText(HidDeviceRecord& r, std::size_t offset, std::size_t lengthOffset,
               std::string_view text) {
    const auto n = std::min(text.size(), hid_record::TextCapacity);
    std::memcpy(r.Bytes.data() + offset, text.data(), n);
    SetHidInt32(r, lengthOffset, static_cast<std::int32_t>(n));
}

} // namespace

HidRecordFields ReadHidRecord(const HidDeviceRecord& record) {
    HidRecordFields f;
    f.Buttons = std::clamp<int>(ReadInt16(record, hid_record::ButtonCount), 0, kMaxBoardButtons);
    int length = 0;
    const auto path = ReadText(record, hid_record::Path, hid_record::PathLength, length);
    f.Identity = SanitizeText(Utf8Prefix(path, std::max(length - kBoardPathSuffixLength, 0)));
    const auto product = ReadText(record, hid_record::Product, hid_record::ProductLength, length);
    f.Product = SanitizeText(Utf8Prefix(product, length));
    return f;
}

void WriteHidRecord(HidDeviceRecord& record, std::string_view pathAnsi,
                    std::string_view productAnsi, int buttons) {
    SetHidInt16(record, hid_record::ButtonCount,
                static_cast<std::int16_t>(std::clamp(buttons, -32768, 32767)));
    WriteText(record, hid_record::Path, hid_record::PathLength, pathAnsi);
    WriteText(record, hid_record::Product, hid_record::ProductLength, productAnsi);
}

void SetHidInt16(HidDeviceRecord& record, std::size_t offset, std::int16_t value) {
    const auto v = static_cast<std::uint16_t>(value);
    record.Bytes[offset] = static_cast<std::uint8_t>(v & 0xFF);
    record.Bytes[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}

void SetHidInt32(HidDeviceRecord& record, std::size_t offset, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i)
        record.Bytes[offset + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

} // namespace qm
