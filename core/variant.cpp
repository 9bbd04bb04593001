#include "core/variant.h"

#include "core/app_error.h"
#include "core/text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace qm {

bool ParseNumber(std::string_view text, double& out) {
    text = TrimSpaces(text);
    if (text.empty())
        return false;
    const bool plus = text.front() == '+';
    if (plus)
        text.remove_prefix(1);
    if (text.empty() || text.front() == '+' || (plus && text.front() == '-'))
        return false;
    // Plain decimal only: no hex, inf or nan spellings.
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'))
            return false;
    const auto* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out, std::chars_format::general);
    return ec == std::errc() && ptr == end && std::isfinite(out);
}

std::string NumberText(double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return std::to_string(static_cast<long long>(value));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return buf;
}

bool Variant::ToBool() const {
    switch (kind()) {
    case Kind::Empty:
        return false;
    case Kind::Boolean:
        return std::get<bool>(value_);
    case Kind::Number:
        return std::get<double>(value_) != 0;
    case Kind::String: {
        const auto& s = std::get<std::string>(value_);
        const auto t = TrimSpaces(s);
        if (EqualsIgnoreCase(t, "True"))
            return true;
        if (EqualsIgnoreCase(t, "False"))
            return false;
        double d = 0;
        if (ParseNumber(t, d))
            return d != 0;
        throw AppError(err::TypeMismatch);
    }
    }
    return false;
}

double Variant::ToNumber() const {
    switch (kind()) {
    case Kind::Empty:
        return 0;
    case Kind::Boolean:
        return std::get<bool>(value_) ? -1 : 0;
    case Kind::Number:
        return std::get<double>(value_);
    case Kind::String: {
        double d = 0;
        if (ParseNumber(std::get<std::string>(value_), d))
            return d;
        throw AppError(err::TypeMismatch);
    }
    }
    return 0;
}

int Variant::ToInteger() const {
    // Rounds half to even, as the classic integer conversion does.
    const double r = std::nearbyint(ToNumber());
    if (r < -32768 || r > 32767)
        throw AppError(err::Overflow);
    return static_cast<int>(r);
}

std::string Variant::ToText() const {
    switch (kind()) {
    case Kind::Empty:
        return {};
    case Kind::Boolean:
        return std::get<bool>(value_) ? "True" : "False";
    case Kind::Number:
        return NumberText(std::get<double>(value_));
    case Kind::String:
        return std::get<std::string>(value_);
    }
    return {};
}

} // namespace qm
