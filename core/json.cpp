#include "core/json.h"

#include "core/variant.h"

#include <cctype>
#include <cstdio>

namespace qm::json {

const Array* Value::AsArray() const {
    const auto* p = std::get_if<std::shared_ptr<Array>>(&v_);
    return p ? p->get() : nullptr;
}

const Object* Value::AsObject() const {
    const auto* p = std::get_if<std::shared_ptr<Object>>(&v_);
    return p ? p->get() : nullptr;
}

const Value* Value::Find(std::string_view key) const {
    const auto* o = AsObject();
    if (!o)
        return nullptr;
    const auto it = o->find(key);
    return it == o->end() ? nullptr : &it->second;
}

namespace {

class Parser {
public:
    explicit Parser(std::string_view t) : t_(t) {}

    std::optional<Value> Document(std::string& error) {
        auto v = ParseValue(0);
        SkipSpace();
        if (v && pos_ != t_.size())
            Fail("unexpected text after the document");
        if (!error_.empty()) {
            error = error_ + " at offset " + std::to_string(pos_);
            return std::nullopt;
        }
        return v;
    }

private:
    static constexpr int kMaxDepth = 64;

    void Fail(const char* what) {
        if (error_.empty())
            error_ = what;
    }
    void SkipSpace() {
        while (pos_ < t_.size() &&
               (t_[pos_] == ' ' || t_[pos_] == '\t' || t_[pos_] == '\n' || t_[pos_] == '\r'))
            ++pos_;
    }
    bool Literal(std::string_view word) {
        if (t_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }

    std::optional<Value> ParseValue(int depth) {
        if (depth > kMaxDepth) {
            Fail("nesting too deep");
            return std::nullopt;
        }
        SkipSpace();
        if (pos_ >= t_.size()) {
            Fail("unexpected end");
            return std::nullopt;
        }
        const char c = t_[pos_];
        if (c == '{')
            return ParseObject(depth);
        if (c == '[')
            return ParseArray(depth);
        if (c == '"') {
            auto s = ParseString();
            return s ? std::optional<Value>(Value(std::move(*s))) : std::nullopt;
        }
        if (Literal("true"))
            return Value(true);
        if (Literal("false"))
            return Value(false);
        if (Literal("null"))
            return Value();
        return ParseNumberValue();
    }

    std::optional<Value> ParseNumberValue() {
        const auto start = pos_;
        while (pos_ < t_.size() &&
               (std::isdigit(static_cast<unsigned char>(t_[pos_])) || t_[pos_] == '-' ||
                t_[pos_] == '+' || t_[pos_] == '.' || t_[pos_] == 'e' || t_[pos_] == 'E'))
            ++pos_;
        double d = 0;
        if (pos_ == start || !ParseNumber(t_.substr(start, pos_ - start), d)) {
            Fail("invalid value");
            return std::nullopt;
        }
        return Value(d);
    }

    std::optional<Value> ParseArray(int depth) {
        ++pos_;
        Array items;
        SkipSpace();
        if (pos_ < t_.size() && t_[pos_] == ']') {
            ++pos_;
            return Value(std::move(items));
        }
        for (;;) {
            auto v = ParseValue(depth + 1);
            if (!v)
                return std::nullopt;
            items.push_back(std::move(*v));
            SkipSpace();
            if (pos_ < t_.size() && t_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < t_.size() && t_[pos_] == ']') {
                ++pos_;
                return Value(std::move(items));
            }
            Fail("expected ',' or ']'");
            return std::nullopt;
        }
    }

    std::optional<Value> ParseObject(int depth) {
        ++pos_;
        Object members;
        SkipSpace();
        if (pos_ < t_.size() && t_[pos_] == '}') {
            ++pos_;
            return Value(std::move(members));
        }
        for (;;) {
            SkipSpace();
            if (pos_ >= t_.size() || t_[pos_] != '"') {
                Fail("expected a member name");
                return std::nullopt;
            }
            auto key = ParseString();
            if (!key)
                return std::nullopt;
            SkipSpace();
            if (pos_ >= t_.size() || t_[pos_] != ':') {
                Fail("expected ':'");
                return std::nullopt;
            }
            ++pos_;
            auto v = ParseValue(depth + 1);
            if (!v)
                return std::nullopt;
            members.insert_or_assign(std::move(*key), std::move(*v));
            SkipSpace();
            if (pos_ < t_.size() && t_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < t_.size() && t_[pos_] == '}') {
                ++pos_;
                return Value(std::move(members));
            }
            Fail("expected ',' or '}'");
            return std::nullopt;
        }
    }

    static void AppendUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool Hex4(unsigned& out) {
        if (pos_ + 4 > t_.size())
            return false;
        out = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = t_[pos_++];
            out <<= 4;
            if (h >= '0' && h <= '9')
                out |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f')
                out |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                out |= static_cast<unsigned>(h - 'A' + 10);
            else
                return false;
        }
        return true;
    }

    std::optional<std::string> ParseString() {
        ++pos_;
        std::string out;
        while (pos_ < t_.size()) {
            const char c = t_[pos_++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20) {
                Fail("control character in a string");
                return std::nullopt;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= t_.size())
                break;
            const char e = t_[pos_++];
            switch (e) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned cp = 0;
                if (!Hex4(cp)) {
                    Fail("invalid \\u escape");
                    return std::nullopt;
                }
                if (cp >= 0xD800 && cp < 0xDC00 && t_.substr(pos_, 2) == "\\u") {
                    pos_ += 2;
                    unsigned low = 0;
                    if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF) {
                        Fail("invalid surrogate pair");
                        return std::nullopt;
                    }
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                    cp = 0xFFFD;
                }
                AppendUtf8(out, cp);
                break;
            }
            default:
                Fail("invalid escape");
                return std::nullopt;
            }
        }
        Fail("unterminated string");
        return std::nullopt;
    }

    std::string_view t_;
    std::size_t pos_ = 0;
    std::string error_;
};

} // namespace

std::optional<Value> Parse(std::string_view text, std::string& error) {
    return Parser(text).Document(error);
}

std::string Quote(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

} // namespace qm::json
