#include "core/dialogs.h"

#include "core/messages.h"

namespace qm {

std::optional<std::string> FileToLoad(Dialogs& dialogs, const std::string& path) {
    if (!path.empty())
        return path;
    return dialogs.OpenFile(
        {std::string(kLoadConfigurationTitle), std::string(kConfigurationFileFilter)});
}

} // namespace qm
