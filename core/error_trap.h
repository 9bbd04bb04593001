#pragma once
// The one error trap of the programs. Each user action and each timer tick runs in it once,
// under the name of the procedure the error box reports: an error shows the standard box
// (" in sub NAME.") and the action ends there; the caller carries on. Nothing escapes it, so
// nothing reaches a window procedure or a timer callback.
#include "core/dialogs.h"

#include <string_view>

namespace qm {

// Shows the standard error box for the exception being handled, naming `procedure`. Only
// inside a catch block. A box that cannot be shown is given up: there is nowhere left to
// report it.
void ReportCurrentError(Dialogs& dialogs, std::string_view procedure) noexcept;

template <class Body>
void RunTrapped(Dialogs& dialogs, std::string_view procedure, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        ReportCurrentError(dialogs, procedure);
    }
}

} // namespace qm
