#pragma once
// The value codec of .qmf files: one value a line, a string between double quotes (no escape),
// a Boolean as #TRUE# or #FALSE#, a number in decimal. Lines are written with CR LF; CR LF, LF
// and CR are accepted. Text is the system's ANSI code page in the file and UTF-8 in memory.
#include "core/variant.h"

#include <string>
#include <string_view>

namespace qm {

// Parses one line (without its line break).
Variant ParseQmfValue(std::string_view line);
// The same into an existing value or into the text the value converts to, reusing their
// storage: what a reader of many values uses.
void ParseQmfValueInto(std::string_view line, Variant& out);
void ParseQmfTextInto(std::string_view line, std::string& out);

class QmfValueReader {
public:
    explicit QmfValueReader(std::string_view fileBytes) : data_(fileBytes) {}

    // True when nothing but blank lines remains.
    bool AtEnd() const;
    // The next value; AppError(Input past end of file) when no line remains.
    Variant Next() { return ParseQmfValue(NextLine()); }
    // The next line as it stands in the file (ANSI, without its line break).
    std::string_view NextLine();

private:
    std::string_view data_;
    std::size_t pos_ = 0;
};

// The text of a line's value trimmed of spaces: a view into the line, or into `scratch` when
// the text had to be converted.
std::string_view TrimmedTextOf(std::string_view line, std::string& scratch);

class QmfValueWriter {
public:
    // Text is written as it is: callers pass sanitized text (no '"', no line breaks).
    void WriteString(std::string_view utf8);
    void WriteBool(bool value);
    void WriteNumber(double value);
    // In the form the value holds; an empty value as an empty line, which reads back empty.
    void WriteValue(const Variant& value);

    const std::string& bytes() const { return out_; }
    std::string Take() { return std::move(out_); }
    void Clear() { out_.clear(); }

private:
    std::string out_;
};

} // namespace qm
