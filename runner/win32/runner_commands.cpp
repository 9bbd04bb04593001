#include "runner/win32/runner_commands.h"

#include "runner/runner_controller.h"

#include <algorithm>
#include <iterator>

namespace qm::win32 {
namespace {

template <auto Command> void Call(RunnerController& controller, const RunnerCommand&) {
    (controller.*Command)();
}
void SetPriority(RunnerController& controller, const RunnerCommand& command) {
    controller.SetPriority(command.Id - IDM_PRIORITY_FIRST, true);
}
void SetPoll(RunnerController& controller, const RunnerCommand& command) {
    controller.SetPoll(command.Id - IDM_POLL_FIRST, true);
}
void ShowContents(RunnerController& controller, const RunnerCommand&) {
    controller.ShowGuide(GuideTopic::Contents);
}

using C = RunnerController;
using P = RunnerPlace;
using G = MenuGlyph;
using S = RunnerMenuState;
using R = RunnerCommand;

// The rows' kinds: an item that runs a command, a separator, an item that opens a menu.
constexpr R Item(int id, P place, const wchar_t* caption, RunnerCommandRun run,
                 std::optional<G> glyph = std::nullopt, bool S::*state = nullptr) {
    R row;
    row.Id = id;
    row.Place = place;
    row.Caption = caption;
    row.Run = run;
    row.Glyph = glyph;
    row.State = state;
    return row;
}
constexpr R Separator(P place) {
    R row;
    row.Place = place;
    return row;
}
constexpr R Opener(P place, const wchar_t* caption, P opens,
                   std::optional<G> glyph = std::nullopt) {
    R row;
    row.Place = place;
    row.Caption = caption;
    row.Opens = opens;
    row.Glyph = glyph;
    return row;
}
constexpr R WithKeys(R row, Shortcut keys) {
    row.Keys = keys;
    return row;
}
constexpr R AboutItem() {
    R row = Item(IDM_ABOUT, P::HelpMenu, L" &About", nullptr);
    row.AboutBox = true;
    row.Procedure = "MNabout_Click";
    return row;
}

constexpr RunnerCommand kCommands[] = {
    Opener(P::MenuBar, L"&File", P::FileMenu),
    Opener(P::MenuBar, L"&Tools", P::ToolsMenu),
    Opener(P::MenuBar, L"&Help", P::HelpMenu),

    // Run is reached through the button, a configuration item or Open...; separator1 and the
    // configuration items go before " &Stop" as they are added.
    Item(IDM_RUN, P::FileMenu, L" &Run", nullptr, G::Run, &S::MenuRun),
    WithKeys(
        Item(IDM_BROWSE, P::FileMenu, L"&Open...", &Call<&C::OpenConfigurationFile>, G::Browse),
        CtrlKey('O')),
    Item(IDM_STOP, P::FileMenu, L" &Stop", &Call<&C::StopFromMenu>, G::Stop, &S::MenuStop),
    Separator(P::FileMenu),
    Item(IDM_EXIT, P::FileMenu, L" &Exit", &Call<&C::Exit>, G::Exit),

    Item(IDM_REFRESH_DEVICES, P::ToolsMenu, L" Refresh Device &List", &Call<&C::RescanDevices>,
         G::Devices, &S::MenuRefreshDevices),
    Opener(P::ToolsMenu, L" Thread &Priority", P::PriorityMenu, G::Priority),
    Opener(P::ToolsMenu, L" Poll &Frequency", P::PollMenu, G::Poll),
    Separator(P::ToolsMenu),
    Item(IDM_PREFERENCES, P::ToolsMenu, L" Pr&eferences", &Call<&C::EditPreferences>,
         G::Preferences, &S::MenuPreferences),

    Item(IDM_PRIORITY_FIRST, P::PriorityMenu, L" &Realtime", &SetPriority),
    Item(IDM_PRIORITY_FIRST + 1, P::PriorityMenu, L" &High (Recommended)", &SetPriority),
    Item(IDM_PRIORITY_FIRST + 2, P::PriorityMenu, L" &AboveNormal", &SetPriority),
    Item(IDM_PRIORITY_FIRST + 3, P::PriorityMenu, L" &Normal", &SetPriority),
    Item(IDM_PRIORITY_FIRST + 4, P::PriorityMenu, L" &BelowNormal", &SetPriority),
    Item(IDM_PRIORITY_LAST, P::PriorityMenu, L" &Low", &SetPriority),

    Item(IDM_POLL_FIRST, P::PollMenu, L" &High", &SetPoll),
    Item(IDM_POLL_FIRST + 1, P::PollMenu, L" &Med (Recommended)", &SetPoll),
    Item(IDM_POLL_LAST, P::PollMenu, L" &Low", &SetPoll),

    WithKeys(Item(IDM_CONTENTS, P::HelpMenu, L" &Contents...", &ShowContents), Shortcut{kVkF1}),
    Separator(P::HelpMenu),
    AboutItem(),

    Item(IDC_RUN_BUTTON, P::RunButton, L"&Run", &Call<&C::ToggleRun>, std::nullopt, &S::RunButton),
};

// The routing finds a command by its identifier: each has one row; a shortcut runs one menu
// item.
constexpr bool IdsUnique() {
    for (auto a = std::begin(kCommands); a != std::end(kCommands); ++a) {
        if (a->Id != 0 && std::any_of(std::next(a), std::end(kCommands),
                                      [&](const RunnerCommand& b) { return b.Id == a->Id; }))
            return false;
        if (a->Keys && (a->Id == 0 || a->Place == P::RunButton ||
                        std::any_of(std::next(a), std::end(kCommands),
                                    [&](const RunnerCommand& b) { return b.Keys == a->Keys; })))
            return false;
    }
    return true;
}
static_assert(IdsUnique());

} // namespace

std::span<const RunnerCommand> RunnerCommands() {
    return kCommands;
}

const RunnerCommand* FindRunnerCommand(int id) {
    if (id == 0)
        return nullptr;
    const auto found =
        std::find_if(std::begin(kCommands), std::end(kCommands),
                     [id](const RunnerCommand& command) { return command.Id == id; });
    return found != std::end(kCommands) ? found : nullptr;
}

int RunnerShortcutCommand(Shortcut pressed, const RunnerMenuState& state) {
    if (!pressed)
        return 0;
    for (const RunnerCommand& command : kCommands)
        if (command.Keys == pressed)
            return command.State == nullptr || state.*command.State ? command.Id : 0;
    return 0;
}

} // namespace qm::win32
