#include "core/user_guide.h"

#include "core/messages.h"

namespace qm {

GuidePage PageFor(GuideTopic topic) {
    switch (topic) {
    case GuideTopic::Contents:
        break;
    case GuideTopic::Editor:
        return {"editor.html", ""};
    case GuideTopic::EditorPreferences:
        return {"editor.html", "preferences"};
    case GuideTopic::ListMaintenance:
        return {"editor.html", "keeping-a-configuration-in-step-with-the-hardware"};
    case GuideTopic::Runner:
        return {"runner.html", ""};
    case GuideTopic::RunnerPreferences:
        return {"runner.html", "preferences"};
    }
    return {"index.html", ""};
}

namespace {
// Help context numbers of the topics: this base plus the topic; 0 is a window without one.
constexpr std::uint32_t kHelpContextBase = 0x5100;
constexpr auto kLastTopic = GuideTopic::RunnerPreferences;
} // namespace

std::uint32_t HelpContextOf(GuideTopic topic) {
    return kHelpContextBase + static_cast<std::uint32_t>(topic);
}

std::optional<GuideTopic> TopicOfHelpContext(std::uint64_t context) {
    if (context < kHelpContextBase || context > HelpContextOf(kLastTopic))
        return std::nullopt;
    return static_cast<GuideTopic>(context - kHelpContextBase);
}

std::string GuideFolder(const ProgramInfo& program) {
    std::string folder = program.Folder;
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder + "help\\";
}

std::string GuideLocationOf(const ProgramInfo& program, FileSystem& files) {
    const std::string folder = GuideFolder(program);
    const bool installed = files.Exists(folder + std::string(PageFor(GuideTopic::Contents).File));
    return installed ? folder : folder + " (not installed)";
}

void OpenGuide(GuideTopic topic, const ProgramInfo& program, std::string_view programTitle,
               const GuideSeams& seams) {
    const std::string folder = GuideFolder(program);
    const GuidePage page = PageFor(topic);
    const std::string path = folder + std::string(page.File);
    if (!seams.Files.Exists(path)) {
        seams.Boxes.ShowMessage(msg::GuideMissing(programTitle, folder, page.File));
        return;
    }
    if (!seams.Browser.ShowPage(path, std::string(page.Anchor)))
        seams.Boxes.ShowMessage(msg::GuideNotShown(programTitle, path));
}

} // namespace qm
