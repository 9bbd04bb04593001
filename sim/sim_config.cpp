#include "sim/sim_config.h"

#include "core/win32/guid_text.h"
#include "core/win32/win32_handle.h"
#include "sim/sim_controls.h"
#include "sim/sim_shared.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

namespace qm::sim {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto bar = line.find('|');
        fields.push_back(Trim(line.substr(0, bar)));
        if (bar == std::string_view::npos)
            return fields;
        line.remove_prefix(bar + 1);
    }
}

template <class Int> bool ParseInt(std::string_view text, Int low, Int high, Int& value) {
    long long parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return false;
    if (parsed < static_cast<long long>(low) || parsed > static_cast<long long>(high))
        return false;
    value = static_cast<Int>(parsed);
    return true;
}

std::wstring Wide(UINT codePage, std::string_view text) {
    if (text.empty())
        return {};
    const int length =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

std::string Ansi(std::string_view utf8) {
    const std::wstring wide = Wide(CP_UTF8, utf8);
    if (wide.empty())
        return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), length,
                        nullptr, nullptr);
    return ansi;
}

bool Fail(std::string& error, std::string message) {
    error = std::move(message);
    return false;
}

bool ParseOption(std::string_view field, SimBoard& board) {
    const auto equals = field.find('=');
    if (equals == std::string_view::npos)
        return false;
    const std::string_view key = Trim(field.substr(0, equals));
    const std::string_view value = Trim(field.substr(equals + 1));
    std::int32_t number = 0;
    if (!ParseInt<std::int32_t>(value, INT32_MIN, INT32_MAX, number))
        return false;
    if (key == "path_length")
        board.PathLength = number;
    else if (key == "product_length")
        board.ProductLength = number;
    else
        return false;
    return true;
}

// "MIN..MAX" with MIN < MAX.
bool ParseRange(std::string_view text, std::int32_t& min, std::int32_t& max) {
    const auto dots = text.find("..");
    return dots != std::string_view::npos &&
           ParseInt<std::int32_t>(Trim(text.substr(0, dots)), INT32_MIN, INT32_MAX, min) &&
           ParseInt<std::int32_t>(Trim(text.substr(dots + 2)), INT32_MIN, INT32_MAX, max) &&
           min < max;
}

bool ParseOption(std::string_view field, SimController& controller, std::string& error) {
    const auto equals = field.find('=');
    const std::string_view key = Trim(field.substr(0, equals));
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : Trim(field.substr(equals + 1));
    if (equals == std::string_view::npos)
        return Fail(error, "unknown option \"" + std::string(field) + "\"");
    if (key == "axes") {
        controller.AxisMask = 0;
        for (std::string_view rest = value;;) {
            const auto comma = rest.find(',');
            const std::string_view name = Trim(rest.substr(0, comma));
            const int a = AxisNumber(name);
            if (a == 0)
                return Fail(error, "unknown axis \"" + std::string(name) +
                                       "\" (x, y, z, rx, ry, rz, slider1, slider2 or 1 to 8)");
            const auto bit = static_cast<std::uint8_t>(1u << (a - 1));
            if ((controller.AxisMask & bit) != 0)
                return Fail(error, "axis \"" + std::string(name) + "\" is listed twice");
            controller.AxisMask = static_cast<std::uint8_t>(controller.AxisMask | bit);
            if (comma == std::string_view::npos)
                return true;
            rest.remove_prefix(comma + 1);
        }
    }
    if (key == "hats") {
        if (!ParseInt<int>(value, 0, kSimHats, controller.Hats))
            return Fail(error, "hats takes a number from 0 to 4");
        return true;
    }
    if (key == "range" || key == "fixed_range") {
        if (!ParseRange(value, controller.RangeMin, controller.RangeMax))
            return Fail(error, std::string(key) + " takes MIN..MAX, 32-bit numbers, MIN < MAX");
        controller.FixedRange = key == "fixed_range";
        return true;
    }
    return Fail(error, "unknown option \"" + std::string(field) + "\"");
}

bool ParseLine(std::string_view line, SimConfig& config, std::string& error) {
    const auto fields = SplitFields(line);
    const std::string_view kind = fields[0];
    if (kind == "controller") {
        SimController controller;
        if (fields.size() < 4)
            return Fail(error, "a controller has a name, a GUID and a button count");
        if (const auto guid = win32::ParseInstanceGuid(fields[2]))
            controller.Instance = *guid;
        else
            return Fail(error, "the GUID is not {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}");
        if (!ParseInt<std::uint32_t>(fields[3], 0, 100000, controller.Buttons))
            return Fail(error, "the button count is not a number from 0 to 100000");
        for (std::size_t i = 4; i < fields.size(); ++i)
            if (!ParseOption(fields[i], controller, error))
                return false;
        if (config.Controllers.size() == kMaxControllers)
            return Fail(error, "more than " + std::to_string(kMaxControllers) + " controllers");
        controller.Name = Wide(CP_UTF8, fields[1]);
        config.Controllers.push_back(std::move(controller));
        return true;
    }
    if (kind == "board") {
        SimBoard board;
        if (fields.size() < 4)
            return Fail(error, "a board has a product, a path and a button count");
        if (!ParseInt<std::int16_t>(fields[3], INT16_MIN, INT16_MAX, board.Buttons))
            return Fail(error, "the button count is not a number from -32768 to 32767");
        for (std::size_t i = 4; i < fields.size(); ++i) {
            if (!ParseOption(fields[i], board))
                return Fail(error, "unknown option \"" + std::string(fields[i]) + "\"");
        }
        if (config.Boards.size() == kMaxBoards)
            return Fail(error, "more than " + std::to_string(kMaxBoards) + " boards");
        board.Product = Ansi(fields[1]);
        board.Path = Ansi(fields[2]);
        config.Boards.push_back(std::move(board));
        return true;
    }
    if (kind == "boards_reported") {
        std::int32_t reported = 0;
        if (fields.size() != 2 ||
            !ParseInt<std::int32_t>(fields[1], INT16_MIN, INT16_MAX, reported))
            return Fail(error, "boards_reported takes one number from -32768 to 32767");
        config.BoardsReported = reported;
        return true;
    }
    return Fail(error, "unknown entry \"" + std::string(kind) + "\"");
}

} // namespace

bool ParseConfig(const std::string& text, SimConfig& config, std::string& error) {
    config = {};
    std::string_view rest = text;
    if (rest.starts_with("\xEF\xBB\xBF"))
        rest.remove_prefix(3);
    for (int number = 1; !rest.empty(); ++number) {
        const auto newline = rest.find('\n');
        const std::string_view line = Trim(rest.substr(0, newline));
        rest.remove_prefix(newline == std::string_view::npos ? rest.size() : newline + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (!ParseLine(line, config, error)) {
            error = "line " + std::to_string(number) + ": " + error;
            return false;
        }
    }
    return true;
}

bool LoadConfig(const std::wstring& file, SimConfig& config, std::string& error) {
    win32::UniqueHandle handle(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        error = "cannot open the device file (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(handle.Get(), chunk, sizeof chunk, &read, nullptr) && read > 0)
        text.append(chunk, read);
    return ParseConfig(text, config, error);
}

void PublishCounts(const SimConfig& config, SharedState& state) {
    state.ControllerCount = static_cast<std::uint32_t>(config.Controllers.size());
    for (std::size_t i = 0; i < config.Controllers.size(); ++i) {
        const SimController& c = config.Controllers[i];
        ControllerSlot& slot = state.Controllers[i];
        slot.ButtonCount = c.Buttons;
        slot.AxisMask = c.AxisMask;
        slot.HatCount = static_cast<std::uint8_t>(c.Hats);
        slot.FixedRange = c.FixedRange ? 1 : 0;
        // A range published anew (the first time, or another device file's) centres the axes.
        if (slot.RangeMin != c.RangeMin || slot.RangeMax != c.RangeMax) {
            slot.RangeMin = c.RangeMin;
            slot.RangeMax = c.RangeMax;
            const auto centre = static_cast<std::int32_t>(
                c.RangeMin + (std::int64_t{c.RangeMax} - c.RangeMin + 1) / 2);
            std::fill(std::begin(slot.Axes), std::end(slot.Axes), centre);
        }
    }
    state.BoardCount = static_cast<std::uint32_t>(config.Boards.size());
    for (std::size_t i = 0; i < config.Boards.size(); ++i)
        state.Boards[i].ButtonCount = config.Boards[i].Buttons;
}

void ReportProblem(const char* who, const std::string& message) {
    const std::string line = std::string(who) + ": " + message + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    OutputDebugStringA(line.c_str());
}

} // namespace qm::sim
