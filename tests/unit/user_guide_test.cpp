// The user guide from both programs: which page each window's help opens, where the guide is
// looked for, and the boxes when it is missing or no browser starts.
#include "core/user_guide.h"
#include "support/editor_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr GuideTopic kTopics[] = {
    GuideTopic::Contents,        GuideTopic::Editor, GuideTopic::EditorPreferences,
    GuideTopic::ListMaintenance, GuideTopic::Runner, GuideTopic::RunnerPreferences};

// The anchors of a guide page's headings, made as scripts/guide-html makes them.
std::set<std::string> HeadingAnchors(std::string_view page) {
    const std::string source =
        page == "index.html" ? "README.md" : std::string(page.substr(0, page.size() - 5)) + ".md";
    std::ifstream file(std::string(QM_GUIDE_SOURCE) + "/" + source);
    std::set<std::string> anchors;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] != '#')
            continue;
        std::string anchor;
        for (const char c : line.substr(line.find(' ') + 1)) {
            if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')
                anchor += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            else if (c == ' ')
                anchor += '-';
        }
        anchors.insert(anchor);
    }
    anchors.insert(""); // the page's top, when the page is there
    if (!file.eof())
        anchors.clear();
    return anchors;
}

TEST(UserGuide, EachTopicOpensASectionOfTheGuideThatExists) {
    const std::vector<std::pair<GuideTopic, GuidePage>> expected = {
        {GuideTopic::Contents, {"index.html", ""}},
        {GuideTopic::Editor, {"editor.html", ""}},
        {GuideTopic::EditorPreferences, {"editor.html", "preferences"}},
        {GuideTopic::ListMaintenance,
         {"editor.html", "keeping-a-configuration-in-step-with-the-hardware"}},
        {GuideTopic::Runner, {"runner.html", ""}},
        {GuideTopic::RunnerPreferences, {"runner.html", "preferences"}}};
    for (const auto& [topic, page] : expected) {
        EXPECT_EQ(PageFor(topic), page);
        EXPECT_TRUE(HeadingAnchors(page.File).contains(std::string(page.Anchor)))
            << page.File << "#" << page.Anchor;
        // A dialog's help request carries its topic to the main window.
        EXPECT_EQ(TopicOfHelpContext(HelpContextOf(topic)), topic);
    }
    // A window without a topic of ours names none.
    for (const std::uint64_t other :
         {std::uint64_t{0}, std::uint64_t{HelpContextOf(kTopics[0]) - 1},
          std::uint64_t{HelpContextOf(GuideTopic::RunnerPreferences) + 1}})
        EXPECT_EQ(TopicOfHelpContext(other), std::nullopt) << other;
}

TEST(UserGuide, IsLookedForInHelpBesideTheProgram) {
    testing::MemoryFileSystem files;
    const ProgramInfo program{"C:\\Program Files\\Vantrel", "vantrel"};
    EXPECT_EQ(GuideLocationOf(program, files),
              "C:\\Program Files\\Vantrel\\help\\ (not installed)");
    files.files["C:\\Program Files\\Vantrel\\help\\index.html"] = "";
    EXPECT_EQ(GuideLocationOf(program, files), "C:\\Program Files\\Vantrel\\help\\");
    EXPECT_EQ(GuideFolder({"D:\\", "corvex"}), "D:\\help\\");
}

struct Guide : ::testing::Test, testing::EditorSeamsRig {
    const std::string kHelp = "C:\\Program Files\\Vantrel\\help\\";
    std::vector<std::string>& Pages() { return shell.guide.pages; }
};

TEST_F(Guide, TheHelpButtonAndF1OpenTheirPagesInTheBrowser) {
    files.files[kHelp + "index.html"] = "";
    files.files[kHelp + "editor.html"] = "";
    Start();
    dialogs.shown.clear();
    editor->ShowHelp();
    editor->ShowGuide(GuideTopic::EditorPreferences);
    EXPECT_THAT(Pages(), ElementsAre(kHelp + "index.html#", kHelp + "editor.html#preferences"));
    EXPECT_THAT(dialogs.shown, IsEmpty());

    shell.guide.browserStarts = false;
    editor->ShowGuide(GuideTopic::Contents);
    EXPECT_THAT(dialogs.shown, ElementsAre(Message{
                                   "The user guide could not be shown: no browser started for\r\n" +
                                       kHelp + "index.html",
                                   "Vantrel Help", MessageButtons::Ok, MessageIcon::Exclamation}));
}

TEST_F(Guide, AMissingGuideIsSaidWithTheFolderLookedIn) {
    files.files[kHelp + "index.html"] = ""; // a guide without the editor's page
    Start();
    dialogs.shown.clear();
    editor->ShowGuide(GuideTopic::ListMaintenance);
    files.files.clear();
    editor->ShowHelp();
    EXPECT_THAT(Pages(), IsEmpty());
    const auto missing = [&](const char* page) {
        return Message{std::string("The user guide is not installed: ") + page +
                           " was not found in the folder\r\n" + kHelp +
                           "\r\n\r\nThe installer and the zip package put the guide there, in "
                           "help\\ beside the programs.",
                       "Vantrel Help", MessageButtons::Ok, MessageIcon::Exclamation};
    };
    EXPECT_THAT(dialogs.shown, ElementsAre(missing("editor.html"), missing("index.html")));
}

} // namespace
} // namespace qm
