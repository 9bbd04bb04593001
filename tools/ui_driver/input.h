#pragma once
// Input as a user gives it: mouse clicks at points of the screen and keys, injected into the
// system's input stream (they reach whatever window is under the mouse or has the focus).
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::e2e {

enum class Click { Left, Right, Double };
void ClickAt(POINT screen, Click click);
// Types the text: keys of the keyboard layout where there are, characters otherwise.
void TypeText(std::wstring_view text);
// The virtual keys of a chord such as "Enter", "Ctrl+S", "Shift+Tab", "Ctrl+Alt+F9", "Win+F5",
// "a", in the order they go down; empty when a name is unknown.
std::vector<WORD> ChordKeys(std::string_view chord);
// Presses the chord's keys in order and lets them go in reverse; false when a name is unknown.
// With `taken`, each key goes down or up on its own and `taken` runs after each, as when a
// person presses the keys one after another: one call of SendInput with all of them lets the
// program see a later key (through a keyboard hook) before an earlier one (in its queue).
bool PressChord(std::string_view chord, const std::function<void()>& taken = {});

} // namespace qm::e2e
