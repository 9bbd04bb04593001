#pragma once
// Messages of the programs' code, each one line on stderr as a command line says it; questions
// are answered No, so a dry run never deletes anything.
#include "core/dialogs.h"

namespace qm::tool {

class ConsoleDialogs final : public Dialogs {
public:
    MessageAnswer ShowMessage(const Message& message) override;
};

} // namespace qm::tool
