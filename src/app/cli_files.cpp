#include <cstdio>

#include "cli_commands.h"

namespace pattaplex {

namespace {
int notYet() {
    std::fputs("pattaplex-cli: not available yet\n", stderr);
    return 1;
}
}  // namespace

int cliInfo(const Args&) {
    return notYet();
}
int cliPreset(const Args&) {
    return notYet();
}
int cliMidi(const Args&) {
    return notYet();
}

}  // namespace pattaplex
