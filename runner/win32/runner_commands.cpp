#include "runner/win32/runner_commands.h"

#include "runner/runner_controller.h"

namespace qm::win32 {
namespace {

template <auto Command> void Call(RunnerController& controller, const RunnerCommand&) noexcept {
    (controller.*Command)();
}
void SetPriority(RunnerController& controller, const RunnerCommand& command) noexcept {
    controller.SetPriority(command.Id - IDM_PRIORITY_FIRST, true);
}
void SetPoll(RunnerController& controller, const RunnerCommand& command) noexcept {
    controller.SetPoll(command.Id - IDM_POLL_FIRST, true);
}
void ShowContents(RunnerController& controller, const RunnerCommand&) noexcept {
    controller.ShowGuide(GuideTopic::Contents);
}

using C = RunnerController;
using P = RunnerPlace;
using G = MenuGlyph;
using S = RunnerMenuState;
using R = RunnerCommand;

// The rows' kinds: an item that runs a command, a separator, an item that opens a menu.
constexpr R Item(int id, P place, const wchar_t* caption, R::RunFunction run,
                 std::optional<G> glyph = std::nullopt, RunnerCommandFlag flag = nullptr) {
    R row;
    row.Id = id;
    row.Place = place;
    row.Caption = caption;
    row.Action.Run = run;
    row.Picture = glyph;
    row.Enabled = flag;
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
    row.Picture = glyph;
    return row;
}
constexpr R Keys(R row, Shortcut first, Shortcut second = {}) {
    row.Shortcuts = {first, second};
    return row;
}
constexpr R AboutItem() {
    R row = Item(IDM_ABOUT, P::HelpMenu, L" &About", nullptr);
    row.Action = {nullptr, WindowCommand::About, "MNabout_Click"};
    return row;
}

constexpr RunnerCommand kCommands[] = {
    Opener(P::MenuBar, L"&File", P::FileMenu),
    Opener(P::MenuBar, L"&Tools", P::ToolsMenu),
    Opener(P::MenuBar, L"&Help", P::HelpMenu),

    // Run is reached through the button, a configuration item or Open...; separator1 and the
    // configuration items go before " &Stop" as they are added.
    Item(IDM_RUN, P::FileMenu, L" &Run", nullptr, G::Run, &S::MenuRun),
    Keys(Item(IDM_BROWSE, P::FileMenu, L"&Open...", &Call<&C::OpenConfigurationFile>, G::Browse),
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

    Keys(Item(IDM_CONTENTS, P::HelpMenu, L" &Contents...", &ShowContents), Shortcut{kVkF1}),
    Separator(P::HelpMenu),
    AboutItem(),

    Item(IDC_RUN_BUTTON, P::RunButton, L"&Run", &Call<&C::ToggleRun>, std::nullopt, &S::RunButton),
};

constexpr bool InMenu(P place) {
    return place != P::RunButton;
}
static_assert(RowsSound(std::span<const RunnerCommand>(kCommands), InMenu));

} // namespace

std::span<const RunnerCommand> RunnerCommands() {
    return kCommands;
}

const RunnerCommand* FindRunnerCommand(int id) {
    return FindCommand(RunnerCommands(), id);
}

int RunnerShortcutCommand(Shortcut pressed, const RunnerMenuState& state) {
    return CommandOfShortcut(RunnerCommands(), pressed, [&](const RunnerCommand& command) {
        return command.Enabled == nullptr || state.*command.Enabled;
    });
}

} // namespace qm::win32
