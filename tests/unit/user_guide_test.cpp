// The user guide from both programs: which page each window's help opens, where the guide is
// looked for, and the boxes when it is missing or no browser starts.
#include "core/messages.h"
#include "core/user_guide.h"
#include "support/editor_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace qm {
namespace {

using ::testing::ElementsAre;

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
         {std::uint64_t{0}, std::uint64_t{HelpContextOf(GuideTopic::Contents) - 1},
          std::uint64_t{HelpContextOf(GuideTopic::RunnerPreferences) + 1}})
        EXPECT_EQ(TopicOfHelpContext(other), std::nullopt) << other;
}

TEST(UserGuide, IsLookedForInHelpBesideTheProgram) {
    testing::MemoryFileSystem files;
    const ProgramInfo program{"C:\\Program Files\\Vantrel", "vantrel"};
    // Installed, the about box shows the folder alone: tests/e2e/editor/help.
    EXPECT_EQ(GuideLocationOf(program, files),
              "C:\\Program Files\\Vantrel\\help\\ (not installed)");
    EXPECT_EQ(GuideFolder({"D:\\", "corvex"}), "D:\\help\\");
}

struct Guide : ::testing::Test, testing::EditorSeamsRig {
    const std::string kHelp = "C:\\Program Files\\Vantrel\\help\\";
};

// The pages the Help button, F1 and a dialog's F1 open, and the guide missing altogether:
// tests/e2e/editor/help. Here, a guide without the editor's page and a browser that fails.
TEST_F(Guide, AMissingPageAndABrowserThatDoesNotStartAreSaid) {
    files.files[kHelp + "index.html"] = "";
    Start();
    dialogs.shown.clear();
    editor->ShowGuide(GuideTopic::ListMaintenance);
    shell.guide.browserStarts = false;
    editor->ShowHelp();
    EXPECT_THAT(shell.guide.pages, ElementsAre(kHelp + "index.html#"));
    EXPECT_THAT(dialogs.shown, ElementsAre(msg::GuideMissing("Vantrel", kHelp, "editor.html"),
                                           msg::GuideNotShown("Vantrel", kHelp + "index.html")));
}

} // namespace
} // namespace qm
