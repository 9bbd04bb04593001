#pragma once
// The error trap every runner command runs in: an error shows the standard error box naming the
// procedure, and the procedure returns. Nothing escapes to a window procedure or a timer.
#include "core/app_error.h"
#include "core/dialogs.h"
#include "core/messages.h"

#include <exception>
#include <string_view>

namespace qm {

template <class Body>
void RunTrapped(Dialogs& dialogs, std::string_view procedure, Body&& body) noexcept {
    try {
        try {
            body();
        } catch (const AppError& e) {
            dialogs.ShowMessage(msg::ErrorBox(e, procedure));
        } catch (const std::exception& e) {
            dialogs.ShowMessage(msg::ErrorBox(err::DeviceIoError, e.what(), procedure));
        } catch (...) {
            dialogs.ShowMessage(msg::ErrorBox(AppError(err::DeviceIoError), procedure));
        }
    } catch (...) {
        // The error box itself failed: nowhere left to report it.
    }
}

} // namespace qm
