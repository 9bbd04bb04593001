// The command table: what each command runs and how it describes itself, for the overall help
// and each command's own.
#include "core/program_info.h"
#include "editor/win32/vantrel_version.h"
#include "qmftool.h"
#include "runner/win32/corvex_version.h"

#include <algorithm>
#include <cstdio>

namespace qm::tool {

namespace {

// Both programs carry one version; qmftool says theirs.
static_assert(VANTREL_VERSION_MAJOR == CORVEX_VERSION_MAJOR &&
                  VANTREL_VERSION_MINOR == CORVEX_VERSION_MINOR &&
                  VANTREL_VERSION_BUILD == CORVEX_VERSION_BUILD &&
                  VANTREL_VERSION_REVISION == CORVEX_VERSION_REVISION,
              "the programs' version headers disagree");

constexpr const char* kExitCodes =
    "exit codes:\n"
    "  0  done\n"
    "  1  the file was refused, or OUT is no file (a pipe, a device, a folder); why,\n"
    "     on one line of the error output\n"
    "  2  bad usage, an input file that cannot be read (missing, not a regular file,\n"
    "     larger than 256 MB) or an output file that cannot be written\n";

constexpr const char* kDevicesFormat =
    "DEVICES.json: the attached devices, a JSON array in the order Windows lists\n"
    "them:\n"
    "  [{\"kind\":\"joystick\",\"name\":\"Gamepad\",\n"
    "    \"identity\":\"{6F1D2B60-D5A0-11CF-BFC7-444553540000}\",\"buttons\":12},\n"
    "   {\"kind\":\"board\",\"name\":\"Panel\",\n"
    "    \"path\":\"\\\\\\\\?\\\\hid#vid_1234&pid_0001#7&1a2b3c4d&0&0000#{...}\",\"buttons\":32}]\n"
    "  \"buttons\" is a whole number from 0 to 32767. A joystick (a game controller)\n"
    "  is known by its \"identity\" and offers at most 128 buttons; a board by its\n"
    "  \"path\" less its last 5 characters, and a board of 0 buttons is left out.\n"
    "  A joystick may list its \"axes\" (\"x\", \"y\", \"z\", \"rx\", \"ry\", \"rz\",\n"
    "  \"slider1\", \"slider2\" or 1 to 8) and its number of \"hats\" (0 to 4):\n"
    "  \"axes\":[\"x\",\"y\"],\"hats\":1; without them it has none.\n"
    "  [] is a machine with no device.\n";

const Command kCommands[] = {
    {"dump", Dump, "dump FILE", "print FILE as JSON, read as Vantrel reads it",
     "Reads FILE as Vantrel does (versions 1.1 to 1.5) and prints one JSON object on\n"
     "one line:\n"
     "  {\"version\":\"1.4\",\"obsolete\":false,\"rows\":[ROW,...]}\n"
     "\"version\" is the version the records were read as, \"obsolete\" true when\n"
     "Vantrel would warn of obsolete data. Each ROW holds the columns of the mapping\n"
     "list: \"button\", \"device_name\", \"identity\", \"repeat\", \"rotary\", \"multiplier\",\n"
     "\"description\", \"num_lock\", \"caps_lock\", \"scroll_lock\", and \"press\" and\n"
     "\"release\", the 16 key cells of each side, each {\"text\":...,\"name\":...}.\n"
     "A file of version 1.5 adds to every ROW \"control\" (\"\" a button, \"HAT UP\",\n"
     "..., \"AXIS -\", \"AXIS +\", \"AXIS BAND\"), \"press_point\" and \"release_point\"\n"
     "(\"50\", \"40-60\"; \"\" but on axis rows), \"hold\", \"layer\",\n"
     "\"pointer_speed\" and \"pointer_curve\" (\"1\" linear, \"2\" steeper; \"\" not set).\n"
     "A value that does not convert is read as its default, as Vantrel reads it,\n"
     "and said on the error output. A file that ends inside a record exits 1 and\n"
     "prints {\"error\":\"corrupt\",\"rows\":N}, N being the rows read before the fault.\n",
     false},
    {"upgrade", Upgrade, "upgrade FILE -o OUT",
     "rewrite FILE as version 1.4 or 1.5, as Vantrel saves it",
     "Reads FILE as Vantrel does and writes OUT as Vantrel's Save does: version 1.5\n"
     "when a row reads a hat or an axis, holds its keys or has a layer, otherwise\n"
     "1.4. OUT may be FILE itself: it is replaced in one step, so a failed write\n"
     "leaves it as it was. A corrupt file, or one with a value that does not convert\n"
     "(Vantrel would save its default in its place), is refused; OUT stays as it was.\n"
     "\n"
     "options:\n"
     "  -o OUT   the file to write (required): a file, replaced (through a link, the\n"
     "           file the link leads to), or a new name; - for the standard output.\n"
     "           A pipe, a device or a folder is refused and left alone (exit 1).\n",
     false},
    {"check", Check, "check FILE --devices DEVICES.json", "load FILE as Corvex would",
     "Loads FILE as Corvex does, with the devices DEVICES.json describes, and prints\n"
     "  {\"mapping_count\":N,\"valid\":V,\"bound\":B}\n"
     "N counts the records of the file, V those whose device is attached and has\n"
     "the button, B the buttons, hat directions and axis rows that will send keys.\n"
     "A value that does not convert\n"
     "is loaded as its default, as Corvex loads it, and said on the error output.\n"
     "A file Corvex would refuse (no device, no buttons, an older version, a corrupt\n"
     "file) exits 1.\n"
     "\n"
     "options:\n"
     "  --devices DEVICES.json   the attached devices (required; format below)\n",
     true},
    {"simulate", Simulate,
     "simulate FILE --devices DEVICES.json --events EVENTS\n"
     "                        [--poll P] [--repeat-rate R] [--rotary-rate T]\n"
     "                        [--key-hold H] [--until U] [--locks NCS]",
     "print the keys Corvex would send for button, axis and hat changes",
     "Loads FILE as check does, then runs Corvex's engine pass by pass on a virtual\n"
     "clock with the described devices and a simulated keyboard, and prints one JSON\n"
     "line per key record sent and per change of Corvex's status text, at the\n"
     "virtual time t in ms:\n"
     "  {\"t\":10,\"event\":\"key\",\"vk\":65,\"scan\":30,\"up\":false}\n"
     "  {\"t\":10,\"event\":\"status\",\"text\":\"Input Devices: Button  1 pressed\"}\n"
     "EVENTS is a text file of button changes, one a line: TIME DEVICE BUTTON\n"
     "down|up (TIME in ms, DEVICE the position in DEVICES.json from 1, BUTTON from\n"
     "1), TIME DEVICE axis AXIS VALUE (AXIS x, y, z, rx, ry, rz, slider1, slider2\n"
     "or 1 to 8; VALUE 0 to 65535, or a percentage such as 25%) or TIME DEVICE hat\n"
     "HAT POSITION (HAT from 1; POSITION up, up-right, ..., up-left, centre, or\n"
     "hundredths of a degree 0 to 35999). Blank lines and lines starting with # are\n"
     "skipped.\n"
     "\n"
     "options (whole milliseconds from 0 to 1000000000000; at most 100000000 passes):\n"
     "  --devices DEVICES.json   the attached devices (required; format below)\n"
     "  --events EVENTS          the changes (required)\n"
     "  --poll P                 the poll period, at least 1 (default 10)\n"
     "  --repeat-rate R          the repeat key macro delay (default 500)\n"
     "  --rotary-rate T          the rotary input rate threshold (default 35)\n"
     "  --key-hold H             the key hold duration; each chord advances the\n"
     "                           clock by it (default 0)\n"
     "  --until U                the time of the last pass (default: the last\n"
     "                           event + 1000)\n"
     "  --locks NCS              the locks on at the start: N Num Lock, C Caps\n"
     "                           Lock, S Scroll Lock (default: none)\n",
     true},
};

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

std::string Usage() {
    std::string text;
    for (const auto& c : kCommands)
        text += std::string(text.empty() ? "usage: " : "       ") + "qmftool " + c.Synopsis + '\n';
    return text + "       qmftool help [COMMAND]   (or qmftool COMMAND --help)\n"
                  "       qmftool --version\n";
}

std::string CommandHelp(const Command& c) {
    return std::string("qmftool ") + c.Name + ": " + c.Summary + "\n\nusage: qmftool " +
           c.Synopsis + "\n\n" + c.Details + "\n" + kExitCodes +
           (c.TakesDevices ? std::string("\n") + kDevicesFormat : "");
}

std::string OverallHelp() {
    std::string text = "qmftool checks, prints, upgrades and dry-runs Vantrel configuration "
                       "files (.qmf)\nwith the code Vantrel and Corvex run.\n\n" +
                       Usage() + "\ncommands:\n";
    for (const auto& c : kCommands) {
        const std::string name = c.Name;
        text += "  " + name + std::string(10 - name.size(), ' ') + c.Summary + "\n";
    }
    return text + "\n" + kExitCodes + "\n" + kDevicesFormat;
}

} // namespace

const Command* FindCommand(std::string_view name) {
    for (const auto& c : kCommands)
        if (name == c.Name)
            return &c;
    return nullptr;
}

bool AsksForHelp(const Arguments& args) {
    for (const auto& a : args)
        if (a == "--help" || a == "-h")
            return true;
    return false;
}

int Help(const Arguments& args) {
    if (args.empty()) {
        Print(OverallHelp());
        return kExitSuccess;
    }
    const Command* command = args.size() == 1 ? FindCommand(args[0]) : nullptr;
    if (command == nullptr)
        return UsageError("help takes one COMMAND: dump, upgrade, check or simulate");
    Print(CommandHelp(*command));
    return kExitSuccess;
}

int UnknownCommand(std::string_view name) {
    if (!name.empty())
        PrintError("qmftool: unknown command " + std::string(name));
    const std::string usage = Usage() + "See qmftool --help.";
    for (std::size_t from = 0; from < usage.size();) {
        const auto end = std::min(usage.find('\n', from), usage.size());
        PrintError(usage.substr(from, end - from));
        from = end + 1;
    }
    return kExitUsage;
}

int Version() {
    ProgramInfo program;
    program.Major = VANTREL_VERSION_MAJOR;
    program.Minor = VANTREL_VERSION_MINOR;
    program.Revision = VANTREL_VERSION_REVISION;
    Print(ProgramCaption("qmftool", program) + "\n");
    return kExitSuccess;
}

} // namespace qm::tool
