#pragma once
// What the live test's passes show, handed from the thread that runs them to the window's
// thread, which alone touches the window and the mapping list: the tested rows' colours (the
// pressed state the passes keep), the status texts, the row to scroll into view and the error
// box of a failed pass. One lock guards it all; the passes wake the window's thread (a posted
// message) only when something became pending since it last showed what was.
#include "core/dialogs.h"
#include "core/status.h"
#include "editor/mapping_table.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class EditorView;

// The status bar's third panel while testing: the shift layer held ("Layer 2"; nothing for the
// base layer), then the axis moved last.
std::string AxisPanelText(int layer, std::string_view axis);

class LiveTestDisplay final : public StatusSink, public Dialogs {
public:
    // Asks the window's thread to call Show soon; never waits for it.
    using Wake = std::function<void()>;

    // The window's thread, before the passes start: the tested list's colours and the status
    // the window shows.
    void Begin(const MappingTable& table, std::string_view status, Wake wake);
    // The window's thread: a click recoloured the tested list; the passes go on from its
    // colours.
    void TakeColours(const MappingTable& table);
    // The window's thread, before the passes are stopped: a box a pass waits on is answered OK
    // unshown, and any later one at once.
    void End();

    // The passes' thread.
    int RowCount() const;
    std::uint32_t RowColour(int row) const;
    void SetRowColour(int row, std::uint32_t colour);
    void SetStatusText(std::string_view text) override;
    void SetSecondStatusText(std::string_view text);
    // The axis moved last (AxisWatch), the status bar's third panel.
    void SetAxisStatusText(std::string_view text);
    // The shift layer the engine uses now (0 the base), shown before the axis.
    void SetLayer(int layer);
    bool StatusIs(std::string_view text) const;
    // A press asks for the Key Mapping text to be cleared before its keys go out.
    void ClearKeyMappingText();
    // The window's thread: a key arrived and shows in the Key Mapping text. A clear still
    // pending was asked for before it and is done with: shown later, it would wipe the key.
    void KeyArrived();
    void ScrollRowIntoView(int row);
    // Waits until the window's thread has shown the box and it was answered (or the test ended).
    MessageAnswer ShowMessage(const Message& message) override;

    // The window's thread: shows what is pending: the colours copied into `table` (the tested
    // list; null when it is open no more) and its rows redrawn, the texts, the scroll, a box.
    void Show(EditorView& view, Dialogs& dialogs, MappingTable* table);

private:
    // Under the lock: something is pending; wakes the window's thread unless it is woken.
    void Pending();

    mutable std::mutex mutex_;
    std::condition_variable answered_;
    Wake wake_;
    bool woken_ = false;
    bool ended_ = true;
    std::vector<std::uint32_t> colours_;
    bool coloursChanged_ = false;
    std::string status_; // as the passes or the window set it last
    bool statusChanged_ = false;
    std::string second_;
    bool secondChanged_ = false;
    std::string axis_;
    int layer_ = 0;
    bool axisChanged_ = false; // the axis or the layer
    bool clearKeyMapping_ = false;
    std::optional<int> scroll_;
    std::optional<Message> box_;
    bool boxShown_ = false;
    std::optional<MessageAnswer> answer_;
};

} // namespace qm
