// ui_driver: drives the real vantrel.exe and corvex.exe under Wine (or Windows) from outside.
//
//   ui_driver run SCRIPT [EXPECTED]    a script (README.md): its records on stdout; with
//                                      EXPECTED, exit code 0 only when they equal that file
//   ui_driver demo [FILE.qmf]          the runner at work on a configuration (the sample),
//                                      then the editor showing it
//   ui_driver measure [PASSES PRESSES] poll period and key latency, printed
//   ui_driver startup [FILES]          start-up time with FILES new configurations, printed
//   ui_driver measure-editor [RUNS]    the editor's list with 512 rows: open, repaint, scroll
//   ui_driver soak-runner MINUTES [S]  corvex.exe under random presses and unplugs; figures
//   ui_driver soak-editor MINUTES [S]  the same with vantrel.exe's live test (S: seconds
//                                      between samples)
//   ui_driver hostile [files|devices|registry]   hostile inputs, one line per case
//   ui_driver kill-saves COUNT         vantrel.exe killed around saves; the file's outcomes
//   e2e_driver keys | dialogs | default    the same program with the end-to-end scenarios: one
//                                          scenario; exit code 0 when it passed
//   ui_driver --installed FOLDER MODE ...  any of the above with the programs installed in
//                                          FOLDER instead of a scratch installation
//
// The programs, their icon, qmftool.exe and the simulated devices are taken from the folder
// payload beside the driver; each run installs them into work\<name> and keeps screenshots in
// artifacts (demo for the demo). With --installed only the simulated devices are copied, into
// FOLDER, and removed when the run ends.
#include "driver_runs.h"
#include "harness.h"
#include "interpreter.h"
#ifdef QM_DRIVER_SCENARIOS
#include "scenarios.h"
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

namespace {

int Usage() {
#ifdef QM_DRIVER_SCENARIOS
    std::fputs("usage: e2e_driver keys|dialogs|default|instances\n", stderr);
#endif
    std::fputs("usage: ui_driver run SCRIPT [EXPECTED]\n"
               "       ui_driver demo [FILE.qmf]\n"
               "       ui_driver measure [PASSES PRESSES]\n"
               "       ui_driver startup [FILES]\n"
               "       ui_driver measure-editor [RUNS]\n"
               "       ui_driver soak-runner|soak-editor MINUTES [SAMPLE_SECONDS]\n"
               "       ui_driver hostile [files|devices|registry]\n"
               "       ui_driver kill-saves COUNT\n"
               "       ui_driver --installed FOLDER MODE ...\n",
               stderr);
    return 2;
}

int Run(int argc, wchar_t** argv) {
    using namespace qm::e2e;
    std::optional<InstalledPrograms> installed;
    if (argc > 2 && std::wstring(argv[1]) == L"--installed") {
        installed.emplace(argv[2]);
        argc -= 2;
        argv += 2;
    }
    if (argc < 2)
        return Usage();
    const std::wstring mode = argv[1];
    const ComScope com;
#ifdef QM_DRIVER_SCENARIOS
    if (mode == L"keys" || mode == L"dialogs" || mode == L"default" || mode == L"instances") {
        const int failures = mode == L"keys"        ? KeysScenario()
                             : mode == L"dialogs"   ? DialogsScenario()
                             : mode == L"instances" ? InstancesScenario()
                                                    : DefaultConfigurationScenario();
        std::printf("%s: %d check(s) failed\n", Narrow(mode).c_str(), failures);
        return failures == 0 ? 0 : 1;
    }
#endif
    if (mode == L"run" && (argc == 3 || argc == 4))
        return RunScript(argv[2], argc == 4 ? argv[3] : L"");
    if (mode == L"demo")
        return Demo(argc > 2 ? argv[2] : L"");
    if (mode == L"measure") {
        const int passes = argc > 2 ? std::clamp(_wtoi(argv[2]), 10, 8000) : 1000;
        const int presses = argc > 3 ? std::max(10, _wtoi(argv[3])) : 500;
        return Measure(passes, presses);
    }
    if (mode == L"startup")
        return MeasureStartUp(argc > 2 ? std::max(0, _wtoi(argv[2])) : 1500);
    if (mode == L"measure-editor")
        return MeasureEditor(argc > 2 ? std::clamp(_wtoi(argv[2]), 1, 1000) : 20);
    if ((mode == L"soak-runner" || mode == L"soak-editor") && (argc == 3 || argc == 4)) {
        const int minutes = std::clamp(_wtoi(argv[2]), 1, 24 * 60);
        const int sampleSeconds = argc == 4 ? std::clamp(_wtoi(argv[3]), 15, 3600) : 60;
        return mode == L"soak-runner" ? SoakRunner(minutes, sampleSeconds)
                                      : SoakEditor(minutes, sampleSeconds);
    }
    if (mode == L"hostile" && argc <= 3)
        return Hostile(argc == 3 ? argv[2] : L"");
    if (mode == L"kill-saves" && argc == 3)
        return KillSaves(std::clamp(_wtoi(argv[2]), 1, 100000));
    return Usage();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Progress shows as it happens, also through a pipe.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::printf("driver: %s\n", e.what());
        return 1;
    }
}
