#pragma once
// The runner's rules for the mapping engine: only valid mappings with a first press step are
// handled, the pressed state is the compiled keys' Pressed field, and the status bar names the
// button pressed.
#include "core/status.h"
#include "engine/configuration_loader.h"
#include "engine/mapping_engine.h"

namespace qm {

class RunnerEnginePolicy final : public EnginePolicy {
public:
    RunnerEnginePolicy(RunnerTables& tables, StatusSink& status);

    // Counts the mappings that are pressed; call after the tables were loaded again.
    void Recount();

    bool Handles(int m) const override;
    bool Pressed(int m) const override { return tables_.Press(m).Pressed != 0; }
    bool ReleaseDue(int m) const override { return Pressed(m); }
    void SetPressed(int m, bool pressed) override;
    bool AnyReleaseDue() const override { return pressedCount_ > 0; }
    void PressEdge(int d, int b, int m) override;
    void ControlPressEdge(int d, std::string_view name, int m) override;
    void PassEnd(bool anyDown, bool readFailing, std::string_view deviceNotice) override;

private:
    RunnerTables& tables_;
    StatusSink& status_;
    int pressedCount_ = 0;
};

} // namespace qm
