#pragma once
// Test doubles of the seams: dialogs with scripted answers, an in-memory file system.
#include "core/app_error.h"
#include "core/file_system.h"
#include "core/text.h"
#include "core/user_guide.h"
#include "editor/editor_dialogs.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace qm::testing {

// The next scripted answer; `fallback` when none is left.
template <typename T> T Next(std::deque<T>& queue, T fallback = {}) {
    if (queue.empty())
        return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

// The error `action` raises (number 0 for none).
AppError ErrorOf(auto&& action) {
    try {
        action();
    } catch (const AppError& error) {
        return error;
    }
    return AppError(0, "no error");
}

// Records every message shown; answers from a script, then Ok/No.
class RecordingDialogs final : public EditorDialogs {
public:
    MessageAnswer ShowMessage(const Message& message) override {
        shown.push_back(message);
        if (onShow)
            onShow();
        return Next(answers,
                    message.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No);
    }
    std::optional<std::string> OpenFile(const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        if (onFileDialog)
            onFileDialog();
        return Next(fileAnswers);
    }
    std::optional<std::string> SaveFile(const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        return Next(fileAnswers);
    }
    std::optional<std::string> BrowseFolder(const std::string& title) override {
        folderTitles.push_back(title);
        return Next(folderAnswers);
    }
    DuplicateChoice ChooseRowToKeep(const std::vector<DuplicateRow>& rows) override {
        duplicateGroups.push_back(rows);
        return Next(duplicateAnswers); // Skip when none is left
    }
    std::optional<int> ChooseDevice(const std::vector<std::string>& names) override {
        deviceLists.push_back(names);
        return Next(deviceAnswers);
    }
    std::vector<Message> shown;
    std::deque<MessageAnswer> answers;
    // The duplicate and replace dialogs: what they listed; the replace dialog's answers, in
    // order (Cancel when none is left).
    std::vector<std::vector<DuplicateRow>> duplicateGroups;
    std::vector<std::vector<std::string>> deviceLists;
    std::deque<std::optional<int>> deviceAnswers;
    std::deque<DuplicateChoice> duplicateAnswers;
    // Files and folders the dialogs "choose", in order; cancelled when none is left.
    std::deque<std::optional<std::string>> fileAnswers, folderAnswers;
    std::function<void()> onFileDialog; // called as a file dialog opens
    std::vector<FileDialogRequest> fileRequests;
    std::vector<std::string> folderTitles;
    // Runs while the box is "open" (what a modal loop would let happen).
    std::function<void()> onShow;
};

// File names compare as on Windows: without regard to case.
// A browser that notes each page it shows as "PATH#ANCHOR".
class RecordingGuideBrowser : public GuideBrowser {
public:
    bool ShowPage(const std::string& path, const std::string& anchor) override {
        pages.push_back(path + "#" + anchor);
        return browserStarts;
    }
    std::vector<std::string> pages;
    bool browserStarts = true;
};

struct IgnoreCaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
    }
};

class MemoryFileSystem final : public FileSystem {
public:
    bool Exists(const std::string& path) override { return files.count(path) > 0; }
    std::string ReadAll(const std::string& path) override {
        if (auto e = readErrors.find(path); e != readErrors.end())
            throw AppError(e->second);
        auto it = files.find(path);
        if (it == files.end())
            throw AppError(err::FileNotFound);
        if (it->second.size() > readLimit)
            throw FileTooLargeError(readLimit);
        if (outOfMemory)
            throw std::bad_alloc();
        return it->second;
    }
    using FileSystem::WriteAtomically;
    void WriteAtomically(const std::string& path,
                         const std::function<void(const ByteSink&)>& write) override {
        if (auto e = writeErrors.find(path); e != writeErrors.end())
            throw AppError(e->second);
        std::string bytes;
        write([&](std::string_view piece) { bytes += piece; });
        files[path] = std::move(bytes);
    }
    std::uint64_t ReadLimit() const override { return readLimit; }
    std::vector<std::string> FileNames(const std::string& folder,
                                       std::string_view extension) override {
        std::vector<std::string> names;
        for (const auto& [path, bytes] : files) {
            if (path.size() <= folder.size() ||
                !EqualsIgnoreCase(std::string_view(path).substr(0, folder.size()), folder))
                continue;
            const auto name = path.substr(folder.size());
            if (name.find('\\') == std::string::npos && name.size() > extension.size() &&
                EqualsIgnoreCase(std::string_view(name).substr(name.size() - extension.size()),
                                 extension))
                names.push_back(name);
        }
        return names;
    }
    // Relative paths are taken from the user's folder.
    std::optional<std::string> FullPath(const std::string& path) override {
        if (path.empty())
            return std::nullopt;
        if (path.size() > 1 && (path[1] == ':' || path[0] == '\\'))
            return path;
        return "C:\\Users\\me\\" + path;
    }
    // Every file in one folder ("C:\\Configs\\"), with its time of change (none: long ago).
    std::vector<FolderEntry> ListFolder(const std::string& folder) override {
        std::vector<FolderEntry> entries;
        for (const auto& name : FileNames(folder, ""))
            entries.push_back({name, true, modified[folder + name]});
        return entries;
    }
    bool RemoveFile(const std::string& path) override { return files.erase(path) > 0; }

    std::map<std::string, std::string, IgnoreCaseLess> files;
    std::map<std::string, std::chrono::system_clock::time_point, IgnoreCaseLess> modified;
    std::uint64_t readLimit = kMaxReadBytes;
    bool outOfMemory = false; // a read cannot get the memory for the file
    std::map<std::string, int, IgnoreCaseLess> readErrors;
    std::map<std::string, int, IgnoreCaseLess> writeErrors;
};

} // namespace qm::testing
