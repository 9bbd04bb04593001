#pragma once
// Test doubles of the seams: dialogs with scripted answers, an in-memory file system.
#include "core/app_error.h"
#include "core/dialogs.h"
#include "core/file_system.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace qm::testing {

// Records every message shown; answers from a script, then Ok/No.
class RecordingDialogs final : public Dialogs {
public:
    MessageAnswer ShowMessage(const Message& message) override {
        shown.push_back(message);
        if (!answers.empty()) {
            const auto a = answers.front();
            answers.pop_front();
            return a;
        }
        return message.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }
    std::vector<Message> shown;
    std::deque<MessageAnswer> answers;
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
        return it->second;
    }
    void WriteAtomically(const std::string& path, std::string_view bytes) override {
        if (auto e = writeErrors.find(path); e != writeErrors.end())
            throw AppError(e->second);
        files[path] = std::string(bytes);
    }
    std::map<std::string, std::string> files;
    std::map<std::string, int> readErrors;
    std::map<std::string, int> writeErrors;
};

} // namespace qm::testing
