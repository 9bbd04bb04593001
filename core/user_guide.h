#pragma once
// The user guide as the programs ship it: HTML pages in help\ beside them, index.html the
// start page. Help > Contents, F1 and the editor's Help button open the start page; F1 in a
// dialog opens the page about that dialog.
#include "core/dialogs.h"
#include "core/file_system.h"
#include "core/program_info.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// What a user asks help about: the guide as a whole, or one of the programs' windows.
enum class GuideTopic {
    Contents,
    Editor,            // the editor's main window and its about box
    EditorPreferences, // the editor's "Preferences"
    ListMaintenance,   // "Select Item" and "Replace Device"
    Runner,            // the runner's main window and its about box
    RunnerPreferences  // the runner's "Preferences"
};

// A page of the guide and the anchor of its section ("" for the page's top).
struct GuidePage {
    std::string_view File;
    std::string_view Anchor;
    bool operator==(const GuidePage&) const = default;
};
GuidePage PageFor(GuideTopic topic);

// The help context number of a topic, as a dialog's help request carries it to the main
// window, and back; nothing for any other number.
std::uint32_t HelpContextOf(GuideTopic topic);
std::optional<GuideTopic> TopicOfHelpContext(std::uint64_t context);

// Where the guide is looked for: help\ in the program's folder, with its trailing "\".
std::string GuideFolder(const ProgramInfo& program);
// The folder as the about boxes show it, "(not installed)" after it when its start page is
// missing.
std::string GuideLocationOf(const ProgramInfo& program, FileSystem& files);

// Shows a page of the guide in the user's browser.
class GuideBrowser {
public:
    virtual ~GuideBrowser() = default;
    // `path` is the page's file, `anchor` the section ("" for the top); false when no browser
    // could be started.
    virtual bool ShowPage(const std::string& path, const std::string& anchor) = 0;
};

struct GuideSeams {
    FileSystem& Files;
    Dialogs& Boxes;
    GuideBrowser& Browser;
};

// Opens the topic's page; a box titled "<program> Help" says so when the page is not there
// (naming the folder looked in) or no browser started. Errors pass on to the caller's trap.
void OpenGuide(GuideTopic topic, const ProgramInfo& program, std::string_view programTitle,
               const GuideSeams& seams);

} // namespace qm
