#include "core/file_system.h"

namespace qm {

// "name.qmf.saving" has the extension "saving": neither "*.qmf" nor its short-name form
// matches it, so a folder listing never shows a half-written file.
std::string TemporaryPathFor(const std::string& path) {
    return path + ".saving";
}

} // namespace qm
