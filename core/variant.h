#pragma once
// A cell tag or file value that remembers the form it was read or set in (Boolean, number or
// text), converting on demand with the classic rules: "True"/"False" in any case and numbers
// convert to Boolean, numeric text converts to a number, anything else is a type mismatch.
#include "core/app_error.h"

#include <string>
#include <string_view>
#include <variant>

namespace qm {

class Variant {
public:
    enum class Kind { Empty, Boolean, Number, String };

    Variant() = default;
    static Variant Bool(bool value) { return Variant(value); }
    static Variant Number(double value) { return Variant(value); }
    static Variant Text(std::string value) { return Variant(std::move(value)); }

    Kind kind() const { return static_cast<Kind>(value_.index()); }
    bool IsEmpty() const { return kind() == Kind::Empty; }

    // Conversions; each throws AppError(Type mismatch) when the value does not convert, and
    // ToInteger throws AppError(Overflow) outside -32768..32767.
    bool ToBool() const;
    double ToNumber() const;
    int ToInteger() const;
    // Booleans give "True"/"False", numbers their shortest decimal text.
    std::string ToText() const;
    // The text of a String value without a copy; null for other kinds.
    const std::string* AsString() const { return std::get_if<std::string>(&value_); }
    std::string* AsString() { return std::get_if<std::string>(&value_); }
    // Makes the value an empty String and returns its text, to be filled in place.
    std::string& EmplaceText() { return value_.emplace<std::string>(); }

    bool operator==(const Variant&) const = default;

private:
    explicit Variant(bool v) : value_(v) {}
    explicit Variant(double v) : value_(v) {}
    explicit Variant(std::string v) : value_(std::move(v)) {}

    std::variant<std::monostate, bool, double, std::string> value_;
};

// Does not report a conversion error.
struct IgnoreError {
    void operator()(const AppError&) const {}
};

// A stored value converted by `convert` (&Variant::ToBool, ToNumber or ToInteger), or
// `fallback` when it does not convert; `noteError` sees the error first.
template <class T, class NoteError = IgnoreError>
T ConvertedOr(const Variant& value, T (Variant::*convert)() const, T fallback,
              NoteError&& noteError = {}) {
    try {
        return (value.*convert)();
    } catch (const AppError& e) {
        noteError(e);
        return fallback;
    }
}

// Parses decimal text (optional sign, digits, fraction, exponent; spaces around allowed).
bool ParseNumber(std::string_view text, double& out);

// Decimal text of a number: integers without a fraction, others with up to 15 digits.
std::string NumberText(double value);

} // namespace qm
