#pragma once
// What the editor asks of the Windows shell: starting the runner, moving a file to the recycle
// bin, whether a file has an icon to show, and a page of the user guide in the browser.
#include "core/user_guide.h"

#include <string>

namespace qm {

class ShellOperations : public GuideBrowser {
public:
    virtual ~ShellOperations() = default;
    // Starts `program` with `parameters` in `folder`; false when it could not be started.
    virtual bool Launch(const std::string& program, const std::string& parameters,
                        const std::string& folder) = 0;
    // Moves a file to the recycle bin; false when the shell did not (failed or aborted).
    virtual bool MoveToRecycleBin(const std::string& path) = 0;
    // Whether the shell shows an icon for the file.
    virtual bool HasIcon(const std::string& path) = 0;
};

} // namespace qm
