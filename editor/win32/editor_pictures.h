#pragma once
// The editor window's own pictures at one DPI: the toolbar's, the menu items', the Record and
// Test buttons', the key columns' header markers and the rows' small icons (released, and
// held while testing).
#include "editor/win32/editor_commands.h"
#include "ui/win32/shell_handles.h"

#include <windows.h>

#include <array>
#include <cstddef>

namespace qm::win32 {

// The header markers' positions in HeaderMarkers().
enum class KeyColumnMarker { None, Record, Chosen };

class EditorPictures {
public:
    // Loads every picture at the sizes for `dpi`; false when one is missing.
    bool Load(HINSTANCE instance, UINT dpi);

    HIMAGELIST Toolbar() const { return toolbar_.Get(); }
    HIMAGELIST HeaderMarkers() const { return markers_.Get(); }
    HIMAGELIST Rows() const { return rows_.Get(); }
    HICON RecordPicture(bool recording) const { return (recording ? recOn_ : recOff_).Get(); }
    HICON TestPicture(bool testing) const { return (testing ? testOn_ : testOff_).Get(); }
    HBITMAP MenuPicture(ToolPicture picture) const {
        return menu_[static_cast<std::size_t>(picture)].Get();
    }

private:
    UniqueImageList toolbar_, markers_, rows_;
    UniqueIcon recOff_, recOn_, testOff_, testOn_;
    std::array<UniqueBitmap, kToolPictureCount> menu_;
};

} // namespace qm::win32
