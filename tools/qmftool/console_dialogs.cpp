#include "console_dialogs.h"

#include "qmftool.h"

namespace qm::tool {

MessageAnswer ConsoleDialogs::ShowMessage(const Message& message) {
    PrintRefusal(subject_, message);
    switch (message.buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::OkCancel:
        return MessageAnswer::Cancel;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::No;
    }
    return MessageAnswer::No;
}

} // namespace qm::tool
