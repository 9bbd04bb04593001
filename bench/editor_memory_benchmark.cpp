// The editor's memory on large configurations, through its controller on the real file system:
// Save As at the device limits, and the read and save of a version 1.1 file of many records.
// peak_*: the most heap held at once during the command, beyond what was held before it.
#include "core/file_system.h"
#include "support/allocation_counter.h"
#include "support/editor_rig.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>

namespace {

namespace stdfs = std::filesystem;

struct TemporaryFolder {
    TemporaryFolder()
        : Path(stdfs::temp_directory_path() /
               ("qm-bench-" + std::to_string(std::random_device{}()))) {
        stdfs::create_directories(Path);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        stdfs::remove_all(Path, ignored);
    }
    std::string File(const std::string& name) const { return (Path / name).string(); }
    stdfs::path Path;
};

struct Editor : qm::testing::EditorSeamsRig {
    Editor() { fileSystem = &qm::SystemFileSystem(); }
    const qm::MappingTable* Shown() const { return editor->Configurations().Table(Selected().Key); }
};

// A name of exactly 256 characters.
std::string LongName(const char* kind, int i) {
    std::string name = std::string(kind) + " " + std::to_string(i) + " ";
    name.resize(256, 'x');
    return name;
}

void ReportMaxResident(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["max_resident_bytes"] = static_cast<double>(usage.ru_maxrss) * 1024;
}

// New on 255 controllers of 128 buttons and 129 boards of 512 buttons, every name 256
// characters long; Save As to a new file, then Save As of that saved configuration to another
// file (the copy opened beside it).
void BM_EditorSaveAsAtDeviceLimits(benchmark::State& state) {
    for (auto _ : state) {
        const TemporaryFolder folder;
        Editor rig;
        for (int j = 0; j < 255; ++j) {
            char guid[64];
            std::snprintf(guid, sizeof guid, "{%08X-D5A0-11CF-BFC7-444553540000}", j);
            rig.joysticks.AddController(guid, LongName("Pad", j), 128);
        }
        for (int b = 0; b < 129; ++b)
            rig.boards.AddBoard(LongName("\\\\?\\hid#board", b), LongName("Panel", b), 512);
        rig.Start();
        long long table = 0;
        {
            const qm::testing::AllocationScope heap;
            rig.editor->NewConfiguration();
            table = heap.Counts().PeakBytes;
        }
        rig.dialogs.fileAnswers = {folder.File("first.qmf"), folder.File("second.qmf")};
        long long first = 0, copy = 0;
        {
            const qm::testing::AllocationScope heap;
            rig.editor->SaveAs();
            first = heap.Counts().PeakBytes;
        }
        {
            const qm::testing::AllocationScope heap;
            rig.editor->SaveAs();
            copy = heap.Counts().PeakBytes;
        }
        state.counters["rows"] = rig.Shown() != nullptr ? rig.Shown()->RowCount() : 0;
        state.counters["file_bytes"] =
            static_cast<double>(stdfs::file_size(folder.Path / "first.qmf"));
        state.counters["peak_new_bytes"] = static_cast<double>(table);
        state.counters["peak_save_as_bytes"] = static_cast<double>(first);
        state.counters["peak_save_as_copy_bytes"] = static_cast<double>(copy);
        state.counters["messages"] = static_cast<double>(rig.dialogs.shown.size());
    }
    ReportMaxResident(state);
}
BENCHMARK(BM_EditorSaveAsAtDeviceLimits)->Iterations(1)->Unit(benchmark::kSecond);

// A version 1.1 file of `records` short records (six lines each) opened, one edit made, saved.
// bytes_per_row: the heap the open configuration holds per row.
void BM_EditorReadAndSaveVersion11(benchmark::State& state) {
    const auto records = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const TemporaryFolder folder;
        const std::string path = folder.File("old.qmf");
        {
            std::string bytes = "\"1.1\"\r\n";
            for (int i = 0; i < records; ++i)
                bytes += std::to_string(i % 128 + 1) +
                         "\r\n\"Pad\"\r\n\"1\"\r\n\"A\"\r\n\"A\"\r\n\"\"\r\n";
            std::ofstream(path, std::ios::binary) << bytes;
            state.counters["file_bytes"] = static_cast<double>(bytes.size());
        }
        Editor rig;
        rig.Start();
        long long load = 0, held = 0, save = 0;
        {
            const qm::testing::AllocationScope heap;
            rig.editor->LoadConfigurationFile(path);
            load = heap.Counts().PeakBytes;
            held = heap.Counts().HeldBytes;
        }
        rig.editor->CellDoubleClicked(0, qm::col::Repeat);
        {
            const qm::testing::AllocationScope heap;
            rig.editor->Save();
            save = heap.Counts().PeakBytes;
        }
        const int rows = rig.Shown() != nullptr ? rig.Shown()->RowCount() : 0;
        state.counters["rows"] = rows;
        state.counters["peak_load_bytes"] = static_cast<double>(load);
        state.counters["bytes_per_row"] = rows > 0 ? static_cast<double>(held) / rows : 0;
        state.counters["peak_save_bytes"] = static_cast<double>(save);
        state.counters["saved_bytes"] = static_cast<double>(stdfs::file_size(path));
        state.counters["messages"] = static_cast<double>(rig.dialogs.shown.size());
    }
    ReportMaxResident(state);
}
BENCHMARK(BM_EditorReadAndSaveVersion11)
    ->Arg(166'667)
    ->Arg(1'666'667)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace
