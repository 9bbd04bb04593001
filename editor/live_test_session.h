#pragma once
// The live test of the configuration shown (the Test button, the mapping list's "Test Key
// Mappings"): its start, which compiles the list and starts the poll timer, the passes over the
// devices while it runs, and its stop.
#include "devices/device_change_watch.h"
#include "editor/editor_state.h"
#include "editor/live_test.h"
#include "engine/mapping_engine.h"

#include <memory>
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
    // The poll timer's tick: one pass over the devices while testing, after the rescan
    // limited to the devices that came or went once their notices have settled.
    void TimerTick() noexcept;
    // The controllers' events to wait on beside the timer while testing; none otherwise.
    std::span<void* const> DeviceEvents() const;
    // One of them was set: the changes the controllers buffered are handled at once.
    void HandleDeviceEvents() noexcept;
    // The system said devices came or went: noted while testing.
    void DevicesChanged() noexcept;
    // How long the test holds each key chord down: 0 until the preferences are applied.
    int KeyHoldMs() const { return keyHoldMs_; }
    void SetKeyHoldMs(int ms) { keyHoldMs_ = ms; }
    // How the arrow and navigation keys go out; read again when a test starts.
    void SetNavigation(NavigationKeys navigation) { engine_->Settings.Navigation = navigation; }

private:
    void Start();
    void Stop();
    bool TestedListShown() const;

    EditorState& state_;
    std::unique_ptr<MappingEngine> engine_;
    // The tables compiled from the tested configuration and the engine's rules for it.
    TestTables tables_;
    std::unique_ptr<TestEnginePolicy> policy_;
    std::string testedKey_;
    const MappingTable* testedTable_ = nullptr;
    int keyHoldMs_ = 0;
    DeviceChangeWatch deviceChanges_;
};

} // namespace qm
