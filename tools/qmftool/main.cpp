// qmftool: checks, dumps, upgrades and dry-runs .qmf configuration files from the command line.
#include "core/ansi_text.h"
#include "qmftool.h"

#include <string_view>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

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
        if (command == "help" || command == "--help" || command == "-h")
            return qm::tool::Help(args);
        if (command == "--version")
            return args.empty() ? qm::tool::Version()
                                : qm::tool::UsageError("--version takes no arguments");
        if (const auto* c = qm::tool::FindCommand(command))
            return qm::tool::AsksForHelp(args) ? qm::tool::Help({std::string(command)})
                                               : c->Run(args);
    } catch (const std::exception& e) {
        qm::tool::PrintError(std::string("qmftool: ") + e.what());
        return qm::tool::kExitUsage;
    }
    return qm::tool::UnknownCommand(command);
}
