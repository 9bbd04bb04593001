#include "core/mapping_row.h"

#include <cstring>

namespace qm {

namespace {

// The kinds of a packed tag; a String tag equal to its cell's text is stored once.
enum TagCode : char { kEmpty, kFalse, kTrue, kNumber, kString, kSameAsText };

void PutLength(std::string& out, std::size_t n) {
    for (; n >= 0x80; n >>= 7)
        out += static_cast<char>(n | 0x80);
    out += static_cast<char>(n);
}

std::size_t LengthBytes(std::size_t n) {
    std::size_t bytes = 1;
    for (; n >= 0x80; n >>= 7)
        ++bytes;
    return bytes;
}

std::size_t GetLength(std::string_view bytes, std::size_t& at) {
    std::size_t n = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(bytes[at++]);
        n |= static_cast<std::size_t>(byte & 0x7F) << shift;
        if (byte < 0x80)
            return n;
    }
}

void PutCell(std::string& out, const Cell& cell) {
    PutLength(out, cell.Text.size());
    out += cell.Text;
    switch (cell.Tag.kind()) {
    case Variant::Kind::Empty:
        out += kEmpty;
        break;
    case Variant::Kind::Boolean:
        out += cell.Tag.ToBool() ? kTrue : kFalse;
        break;
    case Variant::Kind::Number: {
        const double value = cell.Tag.ToNumber();
        char raw[sizeof value];
        std::memcpy(raw, &value, sizeof value);
        out += kNumber;
        out.append(raw, sizeof raw);
        break;
    }
    case Variant::Kind::String:
        if (*cell.Tag.AsString() == cell.Text) {
            out += kSameAsText;
        } else {
            out += kString;
            PutLength(out, cell.Tag.AsString()->size());
            out += *cell.Tag.AsString();
        }
        break;
    }
}

// Where a cell begins, where its text and its tag are, and where it ends.
struct CellSpan {
    std::size_t Start, TextAt, TextSize, TagAt, End;
};

CellSpan SpanAt(std::string_view bytes, std::size_t at) {
    CellSpan span{};
    span.Start = at;
    span.TextSize = GetLength(bytes, at);
    span.TextAt = at;
    span.TagAt = at + span.TextSize;
    at = span.TagAt;
    switch (bytes[at++]) {
    case kNumber:
        at += sizeof(double);
        break;
    case kString:
        at += GetLength(bytes, at);
        break;
    default:
        break;
    }
    span.End = at;
    return span;
}

CellSpan FindCell(std::string_view bytes, int column) {
    CellSpan span = SpanAt(bytes, 0);
    for (int c = 0; c < column; ++c)
        span = SpanAt(bytes, span.End);
    return span;
}

Variant TagOf(std::string_view bytes, const CellSpan& span) {
    std::size_t at = span.TagAt;
    switch (bytes[at++]) {
    case kFalse:
        return Variant::Bool(false);
    case kTrue:
        return Variant::Bool(true);
    case kNumber: {
        double value = 0;
        std::memcpy(&value, bytes.data() + at, sizeof value);
        return Variant::Number(value);
    }
    case kString: {
        const std::size_t n = GetLength(bytes, at);
        return Variant::Text(std::string(bytes.substr(at, n)));
    }
    case kSameAsText:
        return Variant::Text(std::string(bytes.substr(span.TextAt, span.TextSize)));
    default:
        return Variant();
    }
}

} // namespace

PackedRow::PackedRow(const MappingRow& row) {
    // Sized exactly: one allocation per row.
    std::size_t size = 0;
    for (const Cell& cell : row.Cells) {
        size += LengthBytes(cell.Text.size()) + cell.Text.size() + 1;
        if (cell.Tag.kind() == Variant::Kind::Number)
            size += sizeof(double);
        else if (const auto* tag = cell.Tag.AsString(); tag != nullptr && *tag != cell.Text)
            size += LengthBytes(tag->size()) + tag->size();
    }
    bytes_.reserve(size);
    for (const Cell& cell : row.Cells)
        PutCell(bytes_, cell);
}

MappingRow PackedRow::Unpack() const {
    MappingRow row;
    std::size_t at = 0;
    for (Cell& cell : row.Cells) {
        const CellSpan span = SpanAt(bytes_, at);
        cell.Text.assign(bytes_, span.TextAt, span.TextSize);
        cell.Tag = TagOf(bytes_, span);
        at = span.End;
    }
    return row;
}

const Cell PackedRow::operator[](int column) const {
    const CellSpan span = FindCell(bytes_, column);
    return {bytes_.substr(span.TextAt, span.TextSize), TagOf(bytes_, span)};
}

std::string_view PackedRow::Text(int column) const {
    const CellSpan span = FindCell(bytes_, column);
    return std::string_view(bytes_).substr(span.TextAt, span.TextSize);
}

Variant PackedRow::Tag(int column) const {
    return TagOf(bytes_, FindCell(bytes_, column));
}

void PackedRow::Set(int column, const Cell& cell) {
    const CellSpan span = FindCell(bytes_, column);
    std::string packed;
    PutCell(packed, cell);
    bytes_.replace(span.Start, span.End - span.Start, packed);
}

MappingRow NewMappingRow() {
    MappingRow row;
    for (int c :
         {col::Repeat, col::Rotary, col::NumLock, col::CapsLock, col::ScrollLock, col::Hold})
        row[c] = {OnOffText(false), Variant::Bool(false)};
    row[col::Multiplier] = {"1X", Variant::Number(1)};
    row[col::Description] = {" ", Variant()};
    for (int c = col::FirstPress; c < col::KeyEnd; ++c)
        row[c] = {" ", Variant::Text(" ")};
    return row;
}

} // namespace qm
