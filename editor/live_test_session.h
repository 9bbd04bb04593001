#pragma once
// The live test of the configuration shown (the Test button, the mapping list's "Test Key
// Mappings"): its start, which compiles the list and starts the poll timer, the passes over the
// devices while it runs, and its stop.
#include "editor/editor_state.h"
#include "editor/live_test.h"
#include "engine/mapping_engine.h"

#include <memory>
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
    // One pass over the devices, on the passes' own thread: it touches only the engine, its
    // tables, the devices and the display, which hands what it shows to the window's thread.
    void Pass() noexcept;
    // The window's thread, when the passes woke it: shows what they changed.
    void ShowPasses() noexcept;
    // The window's thread: a click or a sort recoloured the shown list; a tested one's passes
    // go on from its colours.
    void ListRecoloured();
    // How long the test holds each key chord down: 0 until the preferences are applied.
    int KeyHoldMs() const { return keyHoldMs_; }
    void SetKeyHoldMs(int ms) { keyHoldMs_ = ms; }

private:
    void Start();
    void Stop();

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
};

} // namespace qm
