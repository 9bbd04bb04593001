#pragma once
// A small JSON reader for the tools' description files, and string quoting for their output.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qm::json {

class Value;
using Array = std::vector<Value>;
using Object = std::map<std::string, Value, std::less<>>;

class Value {
public:
    Value() = default;
    explicit Value(bool b) : v_(b) {}
    explicit Value(double d) : v_(d) {}
    explicit Value(std::string s) : v_(std::move(s)) {}
    explicit Value(Array a) : v_(std::make_shared<Array>(std::move(a))) {}
    explicit Value(Object o) : v_(std::make_shared<Object>(std::move(o))) {}

    bool IsNull() const { return v_.index() == 0; }
    const bool* AsBool() const { return std::get_if<bool>(&v_); }
    const double* AsNumber() const { return std::get_if<double>(&v_); }
    const std::string* AsString() const { return std::get_if<std::string>(&v_); }
    const Array* AsArray() const;
    const Object* AsObject() const;
    // Member of an object; null when absent or not an object.
    const Value* Find(std::string_view key) const;

private:
    std::variant<std::monostate, bool, double, std::string, std::shared_ptr<Array>,
                 std::shared_ptr<Object>>
        v_;
};

// Parses a whole document; nullopt with a message in `error` on malformed input.
std::optional<Value> Parse(std::string_view text, std::string& error);

// The text as a JSON string literal (quotes included).
std::string Quote(std::string_view utf8);

} // namespace qm::json
