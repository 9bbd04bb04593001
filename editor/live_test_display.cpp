#include "editor/live_test_display.h"

#include "editor/editor_view.h"
#include "editor/layer_rows.h"

#include <utility>

namespace qm {

std::string AxisPanelText(int layer, std::string_view axis) {
    if (layer == 0)
        return std::string(axis);
    std::string text = LayerName(layer);
    if (!axis.empty())
        text.append("   ").append(axis);
    return text;
}

void LiveTestDisplay::Begin(const MappingTable& table, std::string_view status, Wake wake) {
    const std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
    woken_ = coloursChanged_ = statusChanged_ = secondChanged_ = axisChanged_ = clearKeyMapping_ =
        boxShown_ = false;
    ended_ = false;
    colours_.resize(static_cast<std::size_t>(table.RowCount()));
    for (int r = 0; r < table.RowCount(); ++r)
        colours_[static_cast<std::size_t>(r)] = table.RowColour(r);
    status_ = std::string(status);
    second_.clear();
    axis_.clear();
    layer_ = 0;
    scroll_.reset();
    box_.reset();
    answer_.reset();
}

void LiveTestDisplay::TakeColours(const MappingTable& table) {
    const std::lock_guard lock(mutex_);
    for (int r = 0; r < table.RowCount() && r < static_cast<int>(colours_.size()); ++r)
        colours_[static_cast<std::size_t>(r)] = table.RowColour(r);
    coloursChanged_ = false;
}

void LiveTestDisplay::End() {
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
        wake_ = nullptr;
    }
    answered_.notify_all();
}

int LiveTestDisplay::RowCount() const {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(colours_.size());
}

std::uint32_t LiveTestDisplay::RowColour(int row) const {
    const std::lock_guard lock(mutex_);
    return colours_.at(static_cast<std::size_t>(row));
}

void LiveTestDisplay::SetRowColour(int row, std::uint32_t colour) {
    const std::lock_guard lock(mutex_);
    auto& stored = colours_.at(static_cast<std::size_t>(row));
    if (stored == colour)
        return;
    stored = colour;
    coloursChanged_ = true;
    Pending();
}

void LiveTestDisplay::SetStatusText(std::string_view text) {
    const std::lock_guard lock(mutex_);
    if (status_ == text)
        return;
    status_ = std::string(text);
    statusChanged_ = true;
    Pending();
}

void LiveTestDisplay::SetSecondStatusText(std::string_view text) {
    const std::lock_guard lock(mutex_);
    if (second_ == text)
        return;
    second_ = std::string(text);
    secondChanged_ = true;
    Pending();
}

void LiveTestDisplay::SetAxisStatusText(std::string_view text) {
    const std::lock_guard lock(mutex_);
    if (axis_ == text)
        return;
    axis_ = std::string(text);
    axisChanged_ = true;
    Pending();
}

void LiveTestDisplay::SetLayer(int layer) {
    const std::lock_guard lock(mutex_);
    if (layer_ == layer)
        return;
    layer_ = layer;
    axisChanged_ = true;
    Pending();
}

bool LiveTestDisplay::StatusIs(std::string_view text) const {
    const std::lock_guard lock(mutex_);
    return status_ == text;
}

void LiveTestDisplay::ClearKeyMappingText() {
    const std::lock_guard lock(mutex_);
    clearKeyMapping_ = true;
    Pending();
}

void LiveTestDisplay::KeyArrived() {
    const std::lock_guard lock(mutex_);
    clearKeyMapping_ = false;
}

void LiveTestDisplay::ScrollRowIntoView(int row) {
    const std::lock_guard lock(mutex_);
    scroll_ = row;
    Pending();
}

MessageAnswer LiveTestDisplay::ShowMessage(const Message& message) {
    std::unique_lock lock(mutex_);
    if (ended_)
        return MessageAnswer::Ok;
    box_ = message;
    answer_.reset();
    Pending();
    answered_.wait(lock, [&] { return ended_ || answer_.has_value(); });
    box_.reset();
    return answer_.value_or(MessageAnswer::Ok);
}

void LiveTestDisplay::Pending() {
    if (woken_ || !wake_)
        return;
    woken_ = true;
    wake_();
}

void LiveTestDisplay::Show(EditorView& view, Dialogs& dialogs, MappingTable* table) {
    std::unique_lock lock(mutex_);
    woken_ = false;
    const bool redraw = std::exchange(coloursChanged_, false) && table != nullptr;
    if (redraw)
        for (int r = 0; r < table->RowCount() && r < static_cast<int>(colours_.size()); ++r)
            table->SetRowColour(r, colours_[static_cast<std::size_t>(r)]);
    const std::optional<std::string> status =
        std::exchange(statusChanged_, false) ? std::optional(status_) : std::nullopt;
    const std::optional<std::string> second =
        std::exchange(secondChanged_, false) ? std::optional(second_) : std::nullopt;
    const std::optional<std::string> axis = std::exchange(axisChanged_, false)
                                                ? std::optional(AxisPanelText(layer_, axis_))
                                                : std::nullopt;
    const bool clearKeyMapping = std::exchange(clearKeyMapping_, false);
    const auto scroll = std::exchange(scroll_, std::nullopt);
    // A box is shown once, by the first Show that finds it; the passes wait for its answer.
    std::optional<Message> box;
    if (box_ && !boxShown_ && !answer_) {
        box = box_;
        boxShown_ = true;
    }
    // The window is updated without the lock: the passes go on meanwhile.
    lock.unlock();
    if (status)
        view.SetStatusText(*status);
    if (second)
        view.SetSecondStatusText(*second);
    if (axis)
        view.SetAxisStatusText(*axis);
    if (clearKeyMapping)
        view.SetKeyMappingText("");
    if (scroll && table != nullptr)
        view.ScrollRowIntoView(*scroll);
    if (redraw)
        view.RedrawMappingRows();
    if (box) {
        const MessageAnswer answer = dialogs.ShowMessage(*box);
        lock.lock();
        answer_ = answer;
        boxShown_ = false;
        lock.unlock();
        answered_.notify_all();
    }
}

} // namespace qm
