#include "qmftool.h"

#include "core/app_error.h"
#include "core/file_system.h"
#include "core/messages.h"

#include <algorithm>
#include <cstdio>

namespace qm::tool {

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

std::string Printable(std::string_view utf8) {
    constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        unsigned code = static_cast<unsigned char>(utf8[i]);
        // U+0080 to U+009F, the C1 controls, are 0xC2 followed by 0x80 to 0x9F.
        const bool c1 = code == 0xC2 && i + 1 < utf8.size() &&
                        (static_cast<unsigned char>(utf8[i + 1]) & 0xE0) == 0x80;
        if (c1)
            code = static_cast<unsigned char>(utf8[++i]);
        if (code < 0x20 || code == 0x7F || c1) {
            out += "\\x";
            out += kHex[code >> 4];
            out += kHex[code & 0xF];
        } else {
            out += utf8[i];
        }
    }
    return out;
}

void PrintError(const std::string& text) {
    const std::string line = Printable(text);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

std::string JsonQuote(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
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
                constexpr char kHex[] = "0123456789abcdef";
                out += "\\u00";
                out += kHex[(c >> 4) & 0xF];
                out += kHex[c & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

int UsageError(const std::string& text) {
    PrintError("qmftool: " + text);
    return kExitUsage;
}

bool ReadInputFile(const std::string& path, std::string& bytes) {
    try {
        bytes = SystemFileSystem().ReadAll(path);
        return true;
    } catch (const AppError& e) {
        PrintRefusal(path, msg::FileIoError(e));
        return false;
    }
}

ParsedArguments ParseArguments(const Arguments& args, const std::vector<std::string>& options) {
    ParsedArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto& a = args[i];
        const bool known = std::find(options.begin(), options.end(), a) != options.end();
        if (known) {
            if (i + 1 >= args.size()) {
                parsed.Error = "option " + a + " needs a value";
                return parsed;
            }
            parsed.Options[a] = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            parsed.Error = "unknown option " + a;
            return parsed;
        } else {
            parsed.Positional.push_back(a);
        }
    }
    return parsed;
}

} // namespace qm::tool
