#include "input.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace qm::e2e {

namespace {

INPUT KeyInput(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

INPUT MouseInput(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return input;
}

void Send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The virtual key of a key name; 0 when unknown.
WORD KeyByName(std::string_view name) {
    struct Named {
        const char* Name;
        WORD Vk;
    };
    static constexpr Named kNames[] = {
        {"enter", VK_RETURN},     {"return", VK_RETURN},    {"tab", VK_TAB},
        {"escape", VK_ESCAPE},    {"esc", VK_ESCAPE},       {"space", VK_SPACE},
        {"delete", VK_DELETE},    {"del", VK_DELETE},       {"backspace", VK_BACK},
        {"insert", VK_INSERT},    {"home", VK_HOME},        {"end", VK_END},
        {"pageup", VK_PRIOR},     {"pagedown", VK_NEXT},    {"up", VK_UP},
        {"down", VK_DOWN},        {"left", VK_LEFT},        {"right", VK_RIGHT},
        {"ctrl", VK_CONTROL},     {"control", VK_CONTROL},  {"shift", VK_SHIFT},
        {"alt", VK_MENU},         {"win", VK_LWIN},         {"numlock", VK_NUMLOCK},
        {"capslock", VK_CAPITAL}, {"scrolllock", VK_SCROLL}};
    const std::string lower = Lower(name);
    for (const auto& named : kNames)
        if (lower == named.Name)
            return named.Vk;
    if (lower.size() == 1 && std::isalnum(static_cast<unsigned char>(lower[0])))
        return static_cast<WORD>(std::toupper(static_cast<unsigned char>(lower[0])));
    if (lower.size() >= 2 && lower[0] == 'f' &&
        std::all_of(lower.begin() + 1, lower.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const int number = std::stoi(lower.substr(1));
        if (number >= 1 && number <= 24)
            return static_cast<WORD>(VK_F1 + number - 1);
    }
    return 0;
}

} // namespace

void ClickAt(POINT screen, Click click) {
    // Two clicks in a row are two clicks, not a double-click: the second waits out the
    // system's double-click time.
    static ULONGLONG lastClick = 0;
    const ULONGLONG apart = GetDoubleClickTime() + 50;
    const ULONGLONG now = GetTickCount64();
    if (now - lastClick < apart)
        Sleep(static_cast<DWORD>(apart - (now - lastClick)));
    SetCursorPos(screen.x, screen.y);
    const DWORD down = click == Click::Right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    const DWORD up = click == Click::Right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    std::vector<INPUT> inputs{MouseInput(down), MouseInput(up)};
    if (click == Click::Double) {
        inputs.push_back(MouseInput(down));
        inputs.push_back(MouseInput(up));
    }
    Send(inputs);
    lastClick = GetTickCount64();
}

void TypeText(std::wstring_view text) {
    for (const wchar_t c : text) {
        const SHORT scan = VkKeyScanW(c);
        if (scan == -1 || (scan & 0x0600) != 0) {
            // No key of the layout without Ctrl or Alt: the character itself.
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c;
            input.ki.dwFlags = KEYEVENTF_UNICODE;
            INPUT release = input;
            release.ki.dwFlags |= KEYEVENTF_KEYUP;
            Send({input, release});
            continue;
        }
        const bool shift = (scan & 0x0100) != 0;
        const auto vk = static_cast<WORD>(scan & 0xFF);
        std::vector<INPUT> inputs;
        if (shift)
            inputs.push_back(KeyInput(VK_SHIFT, false));
        inputs.push_back(KeyInput(vk, false));
        inputs.push_back(KeyInput(vk, true));
        if (shift)
            inputs.push_back(KeyInput(VK_SHIFT, true));
        Send(inputs);
    }
}

std::vector<WORD> ChordKeys(std::string_view chord) {
    std::vector<WORD> keys;
    std::size_t start = 0;
    while (start <= chord.size()) {
        auto plus = chord.find('+', start);
        // "Ctrl++": the last key is the plus key itself.
        if (plus == start && plus + 1 == chord.size())
            plus = std::string_view::npos;
        const std::string_view name = chord.substr(start, plus - start);
        const WORD vk = name == "+" ? VK_OEM_PLUS : KeyByName(name);
        if (vk == 0)
            return {};
        keys.push_back(vk);
        if (plus == std::string_view::npos)
            break;
        start = plus + 1;
    }
    return keys;
}

bool PressChord(std::string_view chord, const std::function<void()>& taken) {
    const std::vector<WORD> keys = ChordKeys(chord);
    if (keys.empty())
        return false;
    std::vector<INPUT> inputs;
    for (const WORD vk : keys)
        inputs.push_back(KeyInput(vk, false));
    for (auto it = keys.rbegin(); it != keys.rend(); ++it)
        inputs.push_back(KeyInput(*it, true));
    if (!taken) {
        Send(inputs);
        return true;
    }
    for (const INPUT& input : inputs) {
        Send({input});
        taken();
    }
    return true;
}

} // namespace qm::e2e
