#pragma once
// Messages of the programs' code, each one line on stderr as a command line says it; questions
// are answered No, so a dry run never deletes anything.
#include "core/dialogs.h"

#include <string>
#include <utility>

namespace qm::tool {

class ConsoleDialogs final : public Dialogs {
public:
    // `subject`: the file the messages are about, named before each; none when empty.
    explicit ConsoleDialogs(std::string subject = {}) : subject_(std::move(subject)) {}
    MessageAnswer ShowMessage(const Message& message) override;

private:
    std::string subject_;
};

} // namespace qm::tool
