#pragma once
// Test doubles for the editor's controller: a main window that records what it is told to show,
// and a shell whose launches, recycle-bin moves and icons are scripted.
#include "editor/editor_view.h"
#include "editor/shell_operations.h"
#include "support/fakes.h"

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace qm::testing {

class RecordingEditorView final : public EditorView {
public:
    void SetStatusText(std::string_view text) override { status = text; }
    void SetCaption(std::string_view text) override { caption = text; }
    void ShowConfigurations(const ConfigurationList& list) override {
        entryStates.clear();
        for (const auto& entry : list.Entries())
            entryStates.push_back(entry.State);
    }
    void ScrollEntryIntoView(std::string_view) override {}
    void ShowMappingList(const MappingTable* table) override { shownTable = table; }
    void RedrawMappingRows() override {}
    void MarkKeyColumn(int column, bool) override { markedColumn = column; }
    void ApplyCommandStates(const EditorCommandStates& s) override { states = s; }
    void ShowDevices(const std::vector<std::string>& names) override { devices = names; }
    void SetKeyMappingText(std::string_view text) override { keyMapping = text; }
    void OpenDescriptionEditor(int row, std::string_view text) override {
        editorRow = row, editorText = text;
    }
    void CloseDescriptionEditor() override { editorRow = -1; }
    void PopUpFileListMenu() override {}
    void PopUpMappingMenu() override {}
    void SetBusy(bool) override {}
    void Minimize() override { minimized = true; }
    void Quit() override {}
    void SetSecondStatusText(std::string_view text) override { status2 = text; }
    void SetAxisStatusText(std::string_view text) override { status3 = text; }
    std::string_view StatusText() const override { return status; }
    void ScrollRowIntoView(int) override {}
    void ScrollCellIntoView(int row, int column) override { shownCell = {row, column}; }
    void ShowStartHint(std::string_view text) override { startHint = text; }
    void FocusMappingList() override { ++listFocuses; }
    void ShowTestWindow() override { testWindow = true; }
    void CloseTestWindow() override { testWindow = false; }
    void LogTestKey(std::string_view text) override { testLog.emplace_back(text); }
    void WakeForTestPasses() override {}
    void SetPollTimer(bool enabled, int periodMs) override {
        pollEnabled = enabled, pollPeriodMs = periodMs;
    }

    void ShowPreferences() override {
        ++preferencesShown;
        if (onPreferences)
            onPreferences();
    }

    std::string caption, status, status2, status3, keyMapping, editorText, startHint;
    std::pair<int, int> shownCell{-1, -1}; // the row and column scrolled into view
    const MappingTable* shownTable = nullptr;
    EditorCommandStates states;
    std::vector<std::string> devices, testLog;
    std::vector<int> entryStates; // the file states the configuration list shows
    int markedColumn = -1, editorRow = -1, listFocuses = 0, preferencesShown = 0;
    int pollPeriodMs = 0;
    bool minimized = false, testWindow = false, pollEnabled = false;
    // What the user does while the preferences window is open.
    std::function<void()> onPreferences;
};

class RecordingShell final : public ShellOperations {
public:
    bool ShowPage(const std::string& path, const std::string& anchor) override {
        return guide.ShowPage(path, anchor);
    }
    bool Launch(const std::string& program, const std::string& parameters,
                const std::string& folder) override {
        launches.push_back(program + " " + parameters + " in " + folder);
        return launchSucceeds;
    }
    bool MoveToRecycleBin(const std::string& path) override {
        recycled.push_back(path);
        return recycleSucceeds;
    }
    bool HasIcon(const std::string& path) override { return iconFiles.contains(path); }

    RecordingGuideBrowser guide;
    std::vector<std::string> launches, recycled;
    std::set<std::string> iconFiles;
    bool launchSucceeds = true, recycleSucceeds = true;
};

} // namespace qm::testing
