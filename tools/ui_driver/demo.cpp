// The demo: corvex.exe runs a configuration (the bundled sample unless one is given) against
// simulated devices made to match it; every mapped button is pressed in turn and the keys that
// arrive in the driver's window are printed. Then vantrel.exe opens the same configuration and
// its mapping list is printed as it shows it.
#include "core/editor_qmf.h"
#include "core/key_names.h"
#include "core/win32/win32_text.h"
#include "driver_runs.h"
#include "harness.h"
#include "program_windows.h"
#include "remote.h"
#include "runner/win32/corvex_ids.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace qm::e2e {

namespace {

struct DemoDevice {
    bool Controller = true;
    std::string Name;
    std::string Identity;
    int Buttons = 0;
    int Index = 0; // 1-based among its kind, in the device file's order
};

struct DemoButton {
    const DemoDevice* Device = nullptr;
    int Button = 0;
    std::string Description;
    std::string Press, Release; // the key cells, joined
    bool Repeat = false, Rotary = false;
};

std::string KeyCells(const MappingRow& row, bool press) {
    std::string text;
    for (int s = 1; s <= kKeyCellsPerSide; ++s) {
        const std::string& cell = (press ? row.PressCell(s) : row.ReleaseCell(s)).Text;
        if (cell.find_first_not_of(' ') == std::string::npos)
            continue;
        text += (text.empty() ? "" : ", ") + cell;
    }
    return text;
}

std::string KeyName(unsigned vk) {
    switch (vk) {
    case VK_SHIFT:
        return "SHIFT";
    case VK_CONTROL:
        return "CTRL";
    case VK_MENU:
        return "ALT";
    case VK_NUMLOCK:
        return "NUM LOCK";
    case VK_CAPITAL:
        return "CAPS LOCK";
    case VK_SCROLL:
        return "SCROLL LOCK";
    default:
        break;
    }
    const std::string name = DecodeKeyEvent(static_cast<std::uint16_t>(vk), 0).Name;
    return name.empty() ? "key " + std::to_string(vk) : name;
}

std::string Received(const std::vector<KeyEvent>& keys) {
    if (keys.empty())
        return "(nothing)";
    std::string text;
    for (const KeyEvent& key : keys)
        text += (text.empty() ? "" : "  ") + KeyName(key.Vk) + (key.Up ? " up" : " down");
    return text;
}

// The mapping list's key cells of one side, joined; empty cells left out.
std::string ShownKeys(HANDLE process, HWND list, int row, int firstColumn) {
    std::string keys;
    for (int c = firstColumn; c < firstColumn + kKeyCellsPerSide; ++c) {
        const std::string cell = Narrow(ListText(process, list, row, c));
        if (cell.find_first_not_of(' ') != std::string::npos)
            keys += (keys.empty() ? "" : ", ") + cell;
    }
    return keys;
}

// The row's behaviour and lock flags that are on, and a multiplier other than 1X.
std::string ShownFlags(HANDLE process, HWND list, int row) {
    std::string flags;
    const auto add = [&](const std::string& flag) { flags += (flags.empty() ? "" : ", ") + flag; };
    const std::pair<int, const char*> switches[] = {{col::Repeat, "Repeat"},
                                                    {col::Rotary, "Rotary"},
                                                    {col::NumLock, "Num Lock"},
                                                    {col::CapsLock, "Caps Lock"},
                                                    {col::ScrollLock, "Scroll Lock"}};
    for (const auto& [column, name] : switches)
        if (ListText(process, list, row, column) == L"On")
            add(name);
    if (const std::string multiplier = Narrow(ListText(process, list, row, col::Multiplier));
        multiplier != "1X")
        add(multiplier);
    return flags;
}

// The mapping list as a table of text, its columns as wide as their widest cell.
void PrintTable(const std::vector<std::vector<std::string>>& table) {
    std::vector<std::size_t> widths;
    for (const auto& line : table) {
        widths.resize(std::max(widths.size(), line.size()));
        for (std::size_t c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], line[c].size());
    }
    for (const auto& line : table) {
        std::string text = " ";
        for (std::size_t c = 0; c < line.size(); ++c)
            text += " " + line[c] + std::string(widths[c] - line[c].size() + 1, ' ');
        std::printf("%s\n", text.substr(0, text.find_last_not_of(' ') + 1).c_str());
    }
}

// vantrel.exe opens the configuration given on its command line; its mapping list is printed
// and pictured, then the program is closed. False when it did not end by itself.
bool ShowInEditor(const Installation& install, const std::wstring& path,
                  const std::wstring& screenshot) {
    RunnerProcess editor;
    if (!editor.Start(install.Folder + L"vantrel.exe", L"\"" + path + L"\""))
        throw Fatal("vantrel.exe did not start");
    const HWND main = EditorMainWindow(editor);
    const HWND list = main != nullptr ? GetDlgItem(main, EditorControlIds().MappingList) : nullptr;
    if (list == nullptr || !PumpUntil([&] { return ListCount(list) > 0; }, 10000))
        throw Fatal("vantrel.exe shows no mapping list");
    const HANDLE process = editor.Handle();
    const int rows = ListCount(list);
    std::vector<std::vector<std::string>> table = {
        {"button", "device", "description", "behaviour", "on press", "on release"}};
    for (int row = 0; row < rows; ++row)
        table.push_back({Narrow(ListText(process, list, row, col::Button)),
                         Narrow(ListText(process, list, row, col::Device)),
                         Narrow(ListText(process, list, row, col::Description)),
                         ShownFlags(process, list, row),
                         ShownKeys(process, list, row, col::FirstPress),
                         ShownKeys(process, list, row, col::FirstRelease)});
    std::printf("vantrel.exe, the editor, opened %s; its mapping list shows %d rows:\n\n",
                Narrow(path.substr(path.find_last_of(L'\\') + 1)).c_str(), rows);
    PrintTable(table);
    Pump(300);
    SaveScreenshot(screenshot, {main});
    PostMessageW(main, WM_CLOSE, 0, 0);
    return editor.WaitExit(30000).has_value();
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file)
        throw Fatal("cannot read " + Narrow(path));
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

int Demo(const std::wstring& configuration) {
    ForgetSettings();
    const Installation install = Install(L"demo");
    // The sample: the one that installed programs came with, else the payload's.
    const std::wstring source = !configuration.empty() ? configuration
                                : install.Installed    ? install.Folder + L"config\\cockpit.qmf"
                                                       : DriverFolder() + L"payload\\cockpit.qmf";
    const EditorReadResult read = ReadEditorConfiguration(ReadBytes(source));
    if (read.Corrupt || read.Rows.empty())
        throw Fatal(Narrow(source) + " holds no mappings");

    // Devices that match the configuration: a controller per GUID identity, a board per path.
    std::vector<std::unique_ptr<DemoDevice>> devices;
    std::vector<DemoButton> buttons;
    int controllers = 0, boards = 0;
    for (const PackedRow& packed : read.Rows) {
        const MappingRow row = packed.Unpack();
        const std::string identity = row[col::Device].Tag.ToText();
        const int button = std::atoi(row[col::Button].Text.c_str());
        if (button < 1 || identity.empty())
            continue;
        auto found = std::find_if(devices.begin(), devices.end(),
                                  [&](const auto& d) { return d->Identity == identity; });
        if (found == devices.end()) {
            auto device = std::make_unique<DemoDevice>();
            device->Controller = identity.front() == '{';
            device->Name = row[col::Device].Text;
            device->Identity = identity;
            device->Index = device->Controller ? ++controllers : ++boards;
            devices.push_back(std::move(device));
            found = std::prev(devices.end());
        }
        DemoDevice& device = **found;
        const int limit = device.Controller ? sim::kControllerStateBytes : sim::kBoardStateBytes;
        if (button > limit)
            continue;
        device.Buttons = std::max(device.Buttons, button);
        buttons.push_back({&device, button, row[col::Description].Text, KeyCells(row, true),
                           KeyCells(row, false), row[col::Repeat].Tag.ToBool(),
                           row[col::Rotary].Tag.ToBool()});
    }
    // At least the buttons of a common pad (12) and of a small board (32).
    std::string deviceLines;
    for (const auto& d : devices) {
        if (d->Controller) {
            d->Buttons = std::max(d->Buttons, 12);
            deviceLines += "controller | " + d->Name + " | " + d->Identity + " | " +
                           std::to_string(d->Buttons) + "\n";
        }
    }
    for (const auto& d : devices) {
        // The device path carries five characters more than the identity.
        if (!d->Controller) {
            d->Buttons = std::max(d->Buttons, 32);
            deviceLines += "board | " + d->Name + " | " + d->Identity + "#{00} | " +
                           std::to_string(d->Buttons) + "\n";
        }
    }

    const std::wstring fileName = source.substr(source.find_last_of(L"\\/") + 1);
    const std::wstring target = install.Folder + L"config\\" + fileName;
    if (!SameText(source, target) && !CopyFileW(source.c_str(), target.c_str(), FALSE))
        throw Fatal("cannot copy " + Narrow(source));
    Simulation simulation(install.DeviceFile, deviceLines);
    const std::wstring shots = DriverFolder() + L"demo\\";
    MakeFolder(shots);

    std::printf("Simulated devices for %s:\n", Narrow(fileName).c_str());
    for (const auto& d : devices)
        std::printf("  %s \"%s\" %s, %d buttons\n", d->Controller ? "game controller" : "USB board",
                    d->Name.c_str(), d->Identity.c_str(), d->Buttons);

    KeyWindow keys(L"Keys received by this window (the game)", 40, 430, 620, 400);
    RunnerProcess runner;
    if (!runner.Start(install.Program, L""))
        throw Fatal("corvex.exe did not start");
    const HWND main = runner.MainWindow();
    if (main == nullptr || !PumpUntil([&] { return IsWindowVisible(main); }, 15000))
        throw Fatal("corvex.exe shows no window");
    Pump(500);
    SaveScreenshot(shots + L"main-window.png", {main});
    std::printf("\ncorvex.exe is up with %s in its list; pressing its Run button.\n",
                Narrow(fileName).c_str());
    PostClick(main, IDC_RUN_BUTTON);
    if (!simulation.Polling(3, 10000))
        throw Fatal("the configuration does not run (is a message box open?)");
    if (!keys.Focus())
        throw Fatal("the key window cannot take the keyboard focus");
    Pump(300);

    int silent = 0;
    std::printf("\n");
    for (const DemoButton& b : buttons) {
        const DemoDevice& d = *b.Device;
        std::string what = d.Name + " button " + std::to_string(b.Button);
        if (!b.Description.empty() && b.Description != " ")
            what += " \"" + b.Description + "\"";
        std::string action = b.Repeat   ? "held 1.2 s (Repeat)"
                             : b.Rotary ? "turned twice quickly (Rotary)"
                                        : "pressed";
        keys.SetHeading(win32::WideFromUtf8(what + ": " + action));
        LocksOff();
        keys.Clear();
        if (b.Rotary) {
            // Two detents of a quick turn: each state is read once, the second press comes
            // within the rotary window and sends Multiplier times.
            for (const bool down : {true, false, true, false}) {
                const std::uint32_t mark = simulation.ReadCount();
                if (d.Controller)
                    simulation.SetButton(d.Index, b.Button, down);
                else
                    simulation.SetBoardButton(d.Index, b.Button, down);
                simulation.WaitReads(mark,
                                     d.Controller ? static_cast<std::uint32_t>(d.Index)
                                                  : sim::kBoardReadSource + d.Index,
                                     1, 2000);
            }
        } else {
            const auto set = [&](bool down) {
                return d.Controller ? simulation.SetAndWait(d.Index, b.Button, down)
                                    : simulation.SetBoardAndWait(d.Index, b.Button, down);
            };
            set(true);
            Pump(b.Repeat ? 1200 : 150);
            set(false);
        }
        // The first key, however long a busy machine takes to deliver it; then the rest.
        const auto got = keys.Collect(1, 10000, 200);
        if (got.empty())
            ++silent;
        const std::string release = b.Release.empty() ? "" : ", release [" + b.Release + "]";
        std::printf("%s, %s\n  mapping: press [%s]%s\n  received: %s\n\n", what.c_str(),
                    action.c_str(), b.Press.c_str(), release.c_str(), Received(got).c_str());
        Pump(200);
    }
    keys.SetHeading(L"Done: every button was pressed");
    Pump(200);
    SaveScreenshot(shots + L"keys.png", {keys.Handle()});
    const auto code = runner.Exit();
    std::printf("%zu buttons pressed, %d sent nothing; corvex.exe exit code %s\n\n", buttons.size(),
                silent, code ? std::to_string(*code).c_str() : "(killed)");

    // The editor's picture without the key window behind it.
    ShowWindow(keys.Handle(), SW_HIDE);
    const bool editorEnded =
        ShowInEditor(install, install.Folder + L"config\\" + fileName, shots + L"editor.png");
    if (!editorEnded)
        std::printf("vantrel.exe did not end when closed\n");
    return silent == 0 && code == 0u && editorEnded ? 0 : 1;
}

} // namespace qm::e2e
