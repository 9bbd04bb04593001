// qmftool: checks, dumps and upgrades .qmf configuration files from the command line.
#include "core/ansi_text.h"
#include "qmftool.h"

#include <cstdio>
#include <string_view>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char* kUsage =
    "usage: qmftool dump FILE\n"
    "       qmftool upgrade FILE -o OUT\n"
    "       qmftool check FILE --devices DEVICES.json\n"
    "       qmftool simulate FILE --devices DEVICES.json --events EVENTS [--poll P]\n"
    "               [--repeat-rate R] [--rotary-rate T] [--key-hold H] [--until U] [--locks NCS]\n";

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Output is UTF-8 with bare line feeds on every platform.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    qm::tool::Arguments args;
    for (int i = 2; i < argc; ++i) {
#ifdef _WIN32
        args.push_back(qm::AnsiToUtf8(argv[i]));
#else
        args.emplace_back(argv[i]);
#endif
    }
    const std::string_view command = argc > 1 ? argv[1] : "";
    try {
        if (command == "dump")
            return qm::tool::Dump(args);
        if (command == "upgrade")
            return qm::tool::Upgrade(args);
        if (command == "check")
            return qm::tool::Check(args);
        if (command == "simulate")
            return qm::tool::Simulate(args);
        if (command == "--help" || command == "-h") {
            std::fputs(kUsage, stdout);
            return qm::tool::kExitSuccess;
        }
    } catch (const std::exception& e) {
        qm::tool::PrintError(e.what());
        return qm::tool::kExitUsage;
    }
    std::fputs(kUsage, stderr);
    return qm::tool::kExitUsage;
}
