#include "core/error_trap.h"

#include "core/app_error.h"
#include "core/messages.h"

#include <exception>

namespace qm {

void ReportCurrentError(Dialogs& dialogs, std::string_view procedure) noexcept {
    try {
        try {
            throw;
        } catch (const AppError& e) {
            dialogs.ShowMessage(msg::ErrorBox(e, procedure));
        } catch (const std::exception& e) {
            dialogs.ShowMessage(msg::ErrorBox(err::DeviceIoError, e.what(), procedure));
        } catch (...) {
            dialogs.ShowMessage(msg::ErrorBox(AppError(err::DeviceIoError), procedure));
        }
    } catch (...) {
        // The error box itself failed.
    }
}

} // namespace qm
