#pragma once
// The editor's preferences window, without its window: what it shows (the file association,
// the configuration folder, the three timing boxes), which of OK, Apply and Cancel are enabled,
// and what Apply writes.
#include "core/dialogs.h"
#include "core/program_info.h"
#include "settings/file_association.h"
#include "settings/settings_store.h"
#include "settings/timing_boxes.h"

#include <string>

namespace qm {

struct EditorPreferencesState {
    bool Associate = false; // edit *.qmf files in the editor
    std::string ConfigPath; // the configuration folder
    TimingBoxes Timings;
    bool ExtendedKeys = false; // send the arrow and navigation keys as extended keys
    bool ExactPointer = false; // move the pointer by exact pixels

    // Enabled buttons: after loading only Cancel, after a change all three, after Apply only
    // OK.
    bool OkEnabled = false;
    bool ApplyEnabled = false;
    bool CancelEnabled = true;
};

// The editor's registration of the file type: its "Edit" verb.
AssociatingProgram EditorAssociation(const ProgramInfo& program);

class EditorPreferences {
public:
    EditorPreferences(SettingsStore& store, Dialogs& dialogs, AssociatingProgram program);

    // Reads the values, writing the window's own defaults for missing ones (the association
    // "False").
    void Load();
    const EditorPreferencesState& State() const { return state_; }

    // Edits: the check box, the folder, the timing boxes' texts and scroll bars.
    void SetAssociate(bool checked);
    void SetConfigPath(std::string text);
    void SetExtendedKeys(bool checked);
    void SetExactPointer(bool checked);
    void SetTiming(TimingBox box, std::string text);
    // Moves a timing box's scroll bar (TimingBoxes::Scroll); false when the value stays.
    bool Scroll(TimingBox box, ScrollAction action, int trackPosition = 0);
    // The folder's Browse button.
    void BrowseConfigFolder();

    // Writes the association (registering or removing the file type), the folder, the
    // timings, the extended keys and the exact pointer; returns what the editor takes over at
    // once.
    EngineTimings Apply();

private:
    void Changed();

    SettingsStore& store_;
    Dialogs& dialogs_;
    AssociatingProgram program_;
    EditorPreferencesState state_;
};

} // namespace qm
