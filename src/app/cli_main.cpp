#include <cstdio>
#include <cstring>
#include <exception>

#include "cli_commands.h"

using namespace pattaplex;

namespace {

int usage() {
    std::fputs(
        "usage: pattaplex-cli COMMAND ...\n"
        "  info FILE                       show a groove or drum set\n"
        "  preset NAME|TAG OUT.grv         write a built-in groove\n"
        "  midi IN.grv OUT.mid             export a groove as a MIDI file\n"
        "  render IN.grv OUT.wav [--loops N]  render a groove to a WAV file\n",
        stderr);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const Args args(argv + 2, argv + argc);
    try {
        if (std::strcmp(argv[1], "render") == 0) return cliRender(args);
        if (std::strcmp(argv[1], "info") == 0) return cliInfo(args);
        if (std::strcmp(argv[1], "preset") == 0) return cliPreset(args);
        if (std::strcmp(argv[1], "midi") == 0) return cliMidi(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pattaplex-cli: %s\n", e.what());
        return 1;
    }
    return usage();
}
