// pattaplex-cli: the command-line companion. Picks the command, checks how many arguments
// it was given and answers --help, --version and "help COMMAND"; the commands do the rest.
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <string>

#include "cli_commands.h"

using namespace pattaplex;

namespace {

constexpr int kUsageError = 2;
constexpr size_t kAny = std::numeric_limits<size_t>::max();

struct Command {
    const char* name;
    const char* arguments;  // the synopsis after the command's name
    const char* summary;
    const char* details;
    size_t fewest, most;  // how many arguments it takes, flags included; render checks its own
    int (*run)(const Args&);
};

const Command kCommands[] = {
    {"info", "FILE", "show a groove or drum set",
     "Prints the grid size, tempo, kit, swing, humanise, the number of steps with repeats\n"
     "or chance and every row of a groove (.grv), or the kit and\n"
     "the ten row sounds of a drum set (.set).\n",
     1, 1, cliInfo},
    {"preset", "NAME|TAG OUT.grv", "write a built-in groove",
     "Writes one of the twelve built-in grooves, named by its name (any case) or its\n"
     "number 1 to 12, to a groove file.\n",
     2, 2, cliPreset},
    {"midi", "IN.grv OUT.mid", "export a groove as a MIDI file",
     "Exports a groove as a Standard MIDI File, as the window's MIDI export does.\n", 2, 2,
     cliMidi},
    {"render", "IN.grv OUT.wav|OUT.flac [--loops N] [--rate HZ] [--seed N]",
     "render a groove to a sound file",
     "Plays a groove offline through the synthesizer and writes the sound to a WAV file, or\n"
     "a FLAC file when OUT ends in .flac.\n"
     "  --loops N   how many times the groove plays, 1 to 10000 (default 4)\n"
     "  --rate HZ   the sample rate, 22050 to 192000 (default 44100)\n"
     "  --seed N    the seed of the steps' chance and humanise, 0 to 2147483647 (default 1):\n"
     "              the same seed gives the same file\n",
     0, kAny, cliRender},
};

const Command* findCommand(const char* name) {
    for (const Command& c : kCommands)
        if (std::strcmp(c.name, name) == 0) return &c;
    return nullptr;
}

void printUsage(std::FILE* to) {
    std::fputs(
        "usage: pattaplex-cli COMMAND ARGUMENTS...\n"
        "       pattaplex-cli help COMMAND | --help | --version\n\n"
        "Commands:\n",
        to);
    for (const Command& c : kCommands) {
        const std::string synopsis = std::string(c.name) + " " + c.arguments;
        if (synopsis.size() > 28)  // the summary goes below a long synopsis
            std::fprintf(to, "  %s\n  %-28s %s\n", synopsis.c_str(), "", c.summary);
        else
            std::fprintf(to, "  %-28s %s\n", synopsis.c_str(), c.summary);
    }
}

void printCommandUsage(const Command& c, std::FILE* to) {
    std::fprintf(to, "usage: pattaplex-cli %s %s\n", c.name, c.arguments);
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "pattaplex-cli: %s\n", message.c_str());
    printUsage(stderr);
    return kUsageError;
}

int help(const Args& args) {
    if (args.empty()) {
        printUsage(stdout);
        return 0;
    }
    const Command* c = args.size() == 1 ? findCommand(args[0].c_str()) : nullptr;
    if (c == nullptr) return usageError("help takes one command name");
    printCommandUsage(*c, stdout);
    std::printf("\n%s", c->details);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usageError("no command given");
    const char* name = argv[1];
    const Args args(argv + 2, argv + argc);
    if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0) return help({});
    if (std::strcmp(name, "--version") == 0) {
        std::printf("pattaplex-cli %s\n", PATTAPLEX_VERSION);
        return 0;
    }
    if (std::strcmp(name, "help") == 0) return help(args);

    const Command* command = findCommand(name);
    if (command == nullptr) return usageError("unknown command \"" + std::string(name) + "\"");
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return help({name});
    if (args.size() < command->fewest || args.size() > command->most) {
        std::fprintf(stderr, "pattaplex-cli: %s: wrong number of arguments\n", name);
        printCommandUsage(*command, stderr);
        return kUsageError;
    }
    try {
        return command->run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pattaplex-cli: %s\n", e.what());
        return 1;
    }
}
