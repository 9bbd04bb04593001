#include "core/qmf_values.h"

#include "core/ansi_text.h"
#include "core/app_error.h"
#include "core/text.h"

#include <cstring>
#include <optional>

namespace qm {

namespace {
bool IsAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}
std::string FromAnsi(std::string_view s) {
    return IsAscii(s) ? std::string(s) : AnsiToUtf8(s);
}
} // namespace

bool QmfValueReader::AtEnd() const {
    for (std::size_t i = pos_; i < data_.size(); ++i) {
        const char c = data_[i];
        if (c != '\r' && c != '\n' && c != ' ' && c != '\t')
            return false;
    }
    return true;
}

std::string_view QmfValueReader::NextLine() {
    if (pos_ >= data_.size())
        throw AppError(err::InputPastEndOfFile);
    // A line ends at the first CR or LF: the LF bounds the search for a CR, so neither search
    // runs past the line.
    const char* start = data_.data() + pos_;
    const std::size_t rest = data_.size() - pos_;
    const auto* lf = static_cast<const char*>(std::memchr(start, '\n', rest));
    std::size_t length = lf != nullptr ? static_cast<std::size_t>(lf - start) : rest;
    if (const auto* cr = static_cast<const char*>(std::memchr(start, '\r', length)))
        length = static_cast<std::size_t>(cr - start);
    const auto line = data_.substr(pos_, length);
    pos_ += length;
    if (pos_ < data_.size() && data_[pos_] == '\r')
        ++pos_;
    if (pos_ < data_.size() && data_[pos_] == '\n')
        ++pos_;
    return line;
}

Variant ParseQmfValue(std::string_view line) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t first = 0;
    while (first < line.size() && isBlank(line[first]))
        ++first;
    if (first == line.size())
        return Variant();
    line.remove_prefix(first);
    if (line.front() == '"') {
        // Up to the closing quote; without one, the rest of the line.
        line.remove_prefix(1);
        const auto close = line.find('"');
        return Variant::Text(FromAnsi(line.substr(0, close)));
    }
    while (isBlank(line.back()))
        line.remove_suffix(1);
    if (EqualsIgnoreCase(line, "#TRUE#"))
        return Variant::Bool(true);
    if (EqualsIgnoreCase(line, "#FALSE#"))
        return Variant::Bool(false);
    double d = 0;
    if (ParseNumber(line, d))
        return Variant::Number(d);
    return Variant::Text(FromAnsi(line));
}

namespace {
// The text between a line's quotes when it is plain ASCII: the common value, taken as it is.
std::optional<std::string_view> QuotedAscii(std::string_view line) {
    std::size_t first = 0;
    while (first < line.size() && (line[first] == ' ' || line[first] == '\t'))
        ++first;
    if (first == line.size() || line[first] != '"')
        return std::nullopt;
    auto text = line.substr(first + 1);
    text = text.substr(0, text.find('"'));
    if (!IsAscii(text))
        return std::nullopt;
    return text;
}
} // namespace

void ParseQmfValueInto(std::string_view line, Variant& out) {
    if (const auto text = QuotedAscii(line)) {
        if (auto* s = out.AsString())
            s->assign(*text);
        else
            out.EmplaceText().assign(*text);
        return;
    }
    out = ParseQmfValue(line);
}

void ParseQmfTextInto(std::string_view line, std::string& out) {
    if (const auto text = QuotedAscii(line))
        out.assign(*text);
    else
        out = ParseQmfValue(line).ToText();
}

std::string_view TrimmedTextOf(std::string_view line, std::string& scratch) {
    const auto open = line.find_first_not_of(' ');
    if (open != std::string_view::npos && line[open] == '"') {
        auto text = line.substr(open + 1);
        text = text.substr(0, text.find('"'));
        if (IsAscii(text))
            return TrimSpaces(text);
    }
    const auto value = ParseQmfValue(line);
    scratch = value.AsString() ? *value.AsString() : value.ToText();
    return TrimSpaces(scratch);
}

void QmfValueWriter::WriteString(std::string_view utf8) {
    out_ += '"';
    if (IsAscii(utf8))
        out_ += utf8;
    else
        out_ += Utf8ToAnsi(utf8);
    out_ += "\"\r\n";
}

void QmfValueWriter::WriteBool(bool value) {
    out_ += value ? "#TRUE#\r\n" : "#FALSE#\r\n";
}

void QmfValueWriter::WriteNumber(double value) {
    out_ += NumberText(value);
    out_ += "\r\n";
}

void QmfValueWriter::WriteValue(const Variant& value) {
    switch (value.kind()) {
    case Variant::Kind::Boolean:
        WriteBool(value.ToBool());
        break;
    case Variant::Kind::Number:
        WriteNumber(value.ToNumber());
        break;
    case Variant::Kind::Empty:
        out_ += "\r\n";
        break;
    case Variant::Kind::String:
        WriteString(*value.AsString());
        break;
    }
}

} // namespace qm
