#include "core/qmf_values.h"

#include "core/ansi_text.h"
#include "core/app_error.h"
#include "core/text.h"

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

Variant QmfValueReader::Next() {
    if (pos_ >= data_.size())
        throw AppError(err::InputPastEndOfFile);
    std::size_t end = data_.find_first_of("\r\n", pos_);
    if (end == std::string_view::npos)
        end = data_.size();
    const auto line = data_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < data_.size() && data_[pos_] == '\r')
        ++pos_;
    if (pos_ < data_.size() && data_[pos_] == '\n')
        ++pos_;
    return ParseQmfValue(line);
}

Variant ParseQmfValue(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return Variant();
    line.remove_prefix(first);
    if (line.front() == '"') {
        // Up to the closing quote; without one, the rest of the line.
        line.remove_prefix(1);
        const auto close = line.find('"');
        return Variant::Text(FromAnsi(line.substr(0, close)));
    }
    const auto last = line.find_last_not_of(" \t");
    line = line.substr(0, last + 1);
    if (EqualsIgnoreCase(line, "#TRUE#"))
        return Variant::Bool(true);
    if (EqualsIgnoreCase(line, "#FALSE#"))
        return Variant::Bool(false);
    double d = 0;
    if (ParseNumber(line, d))
        return Variant::Number(d);
    return Variant::Text(FromAnsi(line));
}

void QmfValueWriter::WriteString(std::string_view utf8) {
    out_ += '"';
    out_ += IsAscii(utf8) ? std::string(utf8) : Utf8ToAnsi(utf8);
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
    case Variant::Kind::String:
        WriteString(value.ToText());
        break;
    }
}

} // namespace qm
