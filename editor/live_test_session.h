#pragma once
// The live test of the configuration shown (the Test button, the mapping list's "Test Key
// Mappings"): its start, which compiles the list and starts the poll timer, the passes over the
// devices while it runs, and its stop.
#include "devices/device_change_watch.h"
#include "editor/axis_watch.h"
#include "editor/editor_state.h"
#include "editor/live_test.h"
#include "engine/mapping_engine.h"

#include <memory>
#include <mutex>
#include <span>
#include <string>

namespace qm {

class LiveTestSession {
public:
    explicit LiveTestSession(EditorState& state);
    ~LiveTestSession();
    LiveTestSession(const LiveTestSession&) = delete;
    LiveTestSession& operator=(const LiveTestSession&) = delete;

    // Starts testing the configuration shown, or stops the test.
    void Toggle() noexcept;
    // The passes' own thread. One pass over the devices while testing, after the rescan
    // limited to the devices that came or went once their notices have settled: it touches
    // only the engine, its tables, the devices and the display, which hands what it shows to
    // the window's thread.
    void TimerTick() noexcept;
    // The controllers' events to wait on beside the timer while testing; none otherwise.
    std::span<void* const> DeviceEvents() const;
    // One of them was set: the changes the controllers buffered are handled at once.
    void HandleDeviceEvents() noexcept;
    // The window's thread: the system said devices came or went; noted while testing.
    void DevicesChanged() noexcept;
    // The window's thread, when the passes woke it: shows what they changed.
    void ShowPasses() noexcept;
    // The window's thread: a key arrived, to show in the Key Mapping text.
    void KeyArrived() { display_.KeyArrived(); }
    // The window's thread: a click or a sort recoloured the shown list; a tested one's passes
    // go on from its colours.
    void ListRecoloured();
    // How long the test holds each key chord down: 0 until the preferences are applied.
    int KeyHoldMs() const { return keyHoldMs_; }
    void SetKeyHoldMs(int ms) { keyHoldMs_ = ms; }
    // How the arrow and navigation keys go out; read again when a test starts.
    void SetNavigation(NavigationKeys navigation) { engine_->Settings.Navigation = navigation; }

private:
    void Start();
    void Stop();
    // The passes' thread: a rescan is due, the notices having settled.
    bool RescanDue();

    EditorState& state_;
    // Declared before the engine, which reports a pass's error through it.
    LiveTestDisplay display_;
    std::unique_ptr<MappingEngine> engine_;
    // The tables compiled from the tested configuration and the engine's rules for it.
    TestTables tables_;
    std::unique_ptr<TestEnginePolicy> policy_;
    std::string testedKey_;
    const MappingTable* testedTable_ = nullptr;
    int keyHoldMs_ = 0;
    // The passes' thread: the axis moved last.
    AxisWatch axes_;
    // Noted on the window's thread, read on the passes'.
    std::mutex deviceChangesMutex_;
    DeviceChangeWatch deviceChanges_;
};

} // namespace qm
