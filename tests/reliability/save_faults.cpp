// Editor saves under faults, on the real file system in a temporary folder. Each save of an
// edited configuration meets one fault at a random point of its file operations: a write that
// fails, a full disk (a short write, then no space), a flush or close refused, a rename
// refused, the temporary file not created, or the process killed (a forked editor ends at that
// point, even in the middle of a write). After each, the file holds exactly the old or exactly
// the new content; a failed save showed a message and kept the edits, and left no temporary
// file. The file operations are intercepted at link time (-Wl,--wrap), so the program's own
// file system code runs unchanged.
//
//   save_faults --saves COUNT [--seed SEED]   the saves, then the counts of the outcomes
// Exit status 0 when every check held.
#include "core/editor_qmf.h"
#include "core/file_system.h"
#include "editor/editor_controller.h"
#include "support/editor_rig.h"
#include "support/qmf_builder.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

// ---- the intercepted file operations -------------------------------------------------------

namespace {

enum class Fault {
    None,
    CreateRefused, // the temporary file cannot be created (no space in the folder)
    WriteFails,    // a write fails (I/O error)
    DiskFull,      // a write is cut short, every later one finds no space
    FlushRefused,  // fsync fails
    CloseRefused,  // close reports a delayed write error
    RenameRefused, // the replace is refused
    Killed,        // the process ends at that point
};

constexpr const char* kFaultNames[] = {"none",           "create refused", "write fails",
                                       "disk full",      "flush refused",  "close refused",
                                       "rename refused", "killed"};

struct Interception {
    bool Armed = false;
    Fault Kind = Fault::None;
    // The fault strikes at this occurrence (from 0) of its operation; a kill at this index of
    // all operations (one past the last: after the replace).
    int At = 0;
    int Writes = 0;
    int Operations = 0;
    bool DiskFull = false;
    bool Hit = false;
    std::mt19937 Random{1};
    // Writes take at most this many bytes, so a file takes several writes.
    std::size_t Chunk = 1;
};

Interception gate;

constexpr int kKilledStatus = 99;

// A kill before operation `Operations`: the process ends there.
void MaybeKill() {
    if (gate.Armed && gate.Kind == Fault::Killed && gate.Operations == gate.At)
        _exit(kKilledStatus);
}

// Counts an operation other than a write (a kill may end the process before it); true, with
// errno set, when `kind` is the fault and it strikes here.
bool Strikes(Fault kind, int error) {
    if (!gate.Armed)
        return false;
    MaybeKill();
    ++gate.Operations;
    if (gate.Kind != kind)
        return false;
    gate.Hit = true;
    errno = error;
    return true;
}

} // namespace

extern "C" {
int __real_open(const char* path, int flags, ...);
ssize_t __real_write(int fd, const void* data, size_t n);
int __real_fsync(int fd);
int __real_close(int fd);
int __real_rename(const char* from, const char* to);

int __wrap_open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & O_CREAT) {
        va_list args;
        va_start(args, flags);
        mode = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    if ((flags & O_CREAT) && Strikes(Fault::CreateRefused, ENOSPC))
        return -1;
    return __real_open(path, flags, mode);
}

ssize_t __wrap_write(int fd, const void* data, size_t n) {
    if (!gate.Armed)
        return __real_write(fd, data, n);
    std::size_t take = std::min(n, gate.Chunk);
    // A random part of this write (maybe nothing) reaches the disk.
    const auto writePart = [&] {
        take = std::uniform_int_distribution<std::size_t>(0, take)(gate.Random);
        return take > 0 ? __real_write(fd, data, take) : 0;
    };
    if (gate.Kind == Fault::Killed && gate.Operations == gate.At) {
        writePart(); // killed part way through this write
        _exit(kKilledStatus);
    }
    ++gate.Operations;
    const int index = gate.Writes++;
    if (gate.DiskFull) {
        errno = ENOSPC;
        return -1;
    }
    if (index == gate.At && gate.Kind == Fault::WriteFails) {
        gate.Hit = true;
        errno = EIO;
        return -1;
    }
    if (index == gate.At && gate.Kind == Fault::DiskFull) {
        // Part of this write reaches the disk, then it is full.
        const auto written = writePart();
        gate.Hit = gate.DiskFull = true;
        if (written > 0)
            return written;
        errno = ENOSPC;
        return -1;
    }
    return __real_write(fd, data, take);
}

int __wrap_fsync(int fd) {
    return Strikes(Fault::FlushRefused, EIO) ? -1 : __real_fsync(fd);
}

int __wrap_close(int fd) {
    if (!Strikes(Fault::CloseRefused, EIO))
        return __real_close(fd);
    // The descriptor is gone either way, as after a real failed close.
    __real_close(fd);
    errno = EIO;
    return -1;
}

int __wrap_rename(const char* from, const char* to) {
    if (Strikes(Fault::RenameRefused, EACCES))
        return -1;
    const int result = __real_rename(from, to);
    if (result == 0 && gate.Armed)
        MaybeKill(); // killed right after the replace
    return result;
}
}

// ---- the editor over a real folder -------------------------------------------------------------

namespace {

using qm::testing::Record14;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A configuration of `rows` rows of one pad, the usual mix of keys.
std::string SampleConfiguration(int rows) {
    std::vector<Record14> records;
    for (int b = 1; b <= rows; ++b) {
        Record14 r;
        r.Button = std::to_string(b);
        r.Description = "Button " + std::to_string(b);
        r.Press = {{"SHIFT + F" + std::to_string(b % 12 + 1), "F" + std::to_string(b % 12 + 1)}};
        r.Release = {{"A", "A"}};
        records.push_back(r);
    }
    return qm::testing::File14(records);
}

// The editor with its file system the real one, a configuration loaded and shown.
struct Editor : qm::testing::EditorSeamsRig {
    explicit Editor(const fs::path& file) {
        joysticks.AddController("{00000000-0000-0000-0000-000000000001}", "Pad", 64);
        fileSystem = &qm::SystemFileSystem();
        Start("\"" + file.string() + "\"");
    }
    std::string Bytes() const {
        const auto* table = editor->Configurations().Table(Selected().Key);
        return table != nullptr ? qm::WriteEditorConfiguration(table->Rows()) : std::string();
    }
    // One edit a user makes: a switch flipped, the multiplier stepped, or a description typed.
    void EditAtRandom(std::mt19937& random) {
        const auto* table = editor->Configurations().Table(Selected().Key);
        const int row = std::uniform_int_distribution<int>(0, table->RowCount() - 1)(random);
        static constexpr int kColumns[] = {qm::col::Repeat,     qm::col::Rotary,
                                           qm::col::Multiplier, qm::col::NumLock,
                                           qm::col::CapsLock,   qm::col::ScrollLock};
        const int pick = std::uniform_int_distribution<int>(0, 6)(random);
        if (pick < 6) {
            editor->CellDoubleClicked(row, kColumns[pick]);
            return;
        }
        editor->RowReleased(row, qm::col::Description, true);
        const int length = std::uniform_int_distribution<int>(1, 300)(random);
        editor->DescriptionCommitted(
            std::string(static_cast<std::size_t>(length), static_cast<char>('a' + length % 26)));
    }
};

// The names of the folder's files other than the configuration (temporary files left behind),
// each after a space.
std::string Leftovers(const fs::path& folder, const fs::path& file) {
    std::string names;
    if (fs::exists(folder))
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path() != file)
                names += " " + e.path().filename().string();
    return names;
}

int RunSaves(int count, unsigned seed) {
    std::mt19937 random(seed);
    const fs::path folder = fs::temp_directory_path() / ("save_faults." + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path file = folder / "cockpit.qmf";
    WriteFile(file, SampleConfiguration(64));

    Editor rig(file);
    std::string onDisk = ReadFile(file);
    std::map<std::string, int> outcomes;
    int failures = 0;
    if (rig.editor->Configurations().Table(rig.Selected().Key) == nullptr) {
        std::fprintf(stderr, "the configuration did not open\n");
        return 1;
    }

    for (int save = 0; save < count; ++save) {
        const auto kind = static_cast<Fault>(std::uniform_int_distribution<int>(1, 7)(random));
        const auto fail = [&](const char* what) {
            ++failures;
            std::fprintf(stderr, "save %d (%s): %s\n", save, kFaultNames[static_cast<int>(kind)],
                         what);
        };
        rig.EditAtRandom(random);
        if (rig.Selected().State != qm::filestate::Modified) {
            rig.EditAtRandom(random); // a description typed again unchanged
            if (rig.Selected().State != qm::filestate::Modified) {
                fail("an edit did not mark the configuration changed");
                continue;
            }
        }
        const std::string edited = rig.Bytes();
        const auto shownBefore = rig.dialogs.shown.size();

        gate = Interception{};
        gate.Kind = kind;
        gate.Random.seed(random());
        gate.Chunk = std::max<std::size_t>(1, edited.size() / 4 + 1);
        // A save takes a create, four writes, a flush, a close and a rename: a kill before any
        // of them, or after the last.
        gate.At = kind == Fault::Killed ? std::uniform_int_distribution<int>(0, 8)(random)
                                        : std::uniform_int_distribution<int>(0, 3)(random);

        if (kind == Fault::Killed) {
            std::fflush(nullptr);
            const pid_t child = fork();
            if (child == 0) {
                gate.Armed = true;
                rig.editor->Save();
                _exit(0);
            }
            int status = 0;
            waitpid(child, &status, 0);
            const std::string now = ReadFile(file);
            if (!fs::exists(file))
                fail("the file is missing");
            else if (now != onDisk && now != edited)
                fail("the file holds neither the old nor the new content");
            const bool killed = WIFEXITED(status) && WEXITSTATUS(status) == kKilledStatus;
            static constexpr const char* kPoints[] = {
                "before the create", "in write 1",        "in write 2",
                "in write 3",        "in write 4",        "before the flush",
                "before the close",  "before the rename", "after the rename"};
            ++outcomes[std::string("killed ") + (killed ? kPoints[gate.At] : "(not reached)") +
                       ": " + (now == edited ? "new content" : "old content")];
            // The editor starts again: a leftover temporary file is cleared away by hand, and
            // the edits are saved, this time without a fault.
            for (const auto& e : fs::directory_iterator(folder))
                if (e.path() != file)
                    fs::remove(e.path());
            rig.editor->Save();
            onDisk = ReadFile(file);
            if (onDisk != edited || rig.Selected().State != qm::filestate::Saved)
                fail("the save after the restart did not write the edits");
            continue;
        }

        gate.Armed = true;
        rig.editor->Save();
        gate.Armed = false;
        const std::string now = ReadFile(file);
        const bool failed = rig.Selected().State == qm::filestate::Modified;
        if (!gate.Hit) {
            fail("the fault was not reached");
        } else if (failed) {
            // Refused: the old file whole, a message, the edits kept, nothing left behind.
            if (now != onDisk)
                fail("a failed save changed the file");
            if (rig.dialogs.shown.size() != shownBefore + 1)
                fail("a failed save showed no message (or more than one)");
            if (rig.Bytes() != edited)
                fail("a failed save lost the edits");
            if (!Leftovers(folder, file).empty())
                fail("a failed save left a temporary file");
            const auto& shown = rig.dialogs.shown;
            ++outcomes[std::string(kFaultNames[static_cast<int>(kind)]) + ": refused with \"" +
                       (shown.empty() ? "" : shown.back().title + ": " + shown.back().text) +
                       "\", old content and edits kept"];
        } else {
            // Only a fault the save recovers from may end in success (none does today).
            fail("the save succeeded despite the fault");
            onDisk = now;
        }
        rig.dialogs.shown.clear();
    }
    fs::remove_all(folder);

    std::printf("%d saves, seed %u, a fault injected in each:\n", count, seed);
    for (const auto& [outcome, n] : outcomes)
        std::printf("  %5d  %s\n", n, outcome.c_str());
    std::printf("%d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int saves = 0;
    unsigned seed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--saves" && i + 1 < argc)
            saves = std::atoi(argv[++i]);
        else if (arg == "--seed" && i + 1 < argc)
            seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else {
            saves = 0;
            break;
        }
    }
    if (saves <= 0) {
        std::fprintf(stderr, "usage: save_faults --saves COUNT [--seed SEED]\n");
        return 2;
    }
    return RunSaves(saves, seed);
}
