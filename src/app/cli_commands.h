#pragma once
// Sub-commands of pattaplex-cli. Each returns the exit status; arguments exclude the
// program and command names. The dispatch in cli_main.cpp has already checked how many
// arguments info, preset and midi have. Errors: one clear line on standard error, status 1;
// a rejected flag or argument of render: the reason and its usage, status 2.

#include <string>
#include <vector>

namespace pattaplex {

using Args = std::vector<std::string>;

int cliRender(const Args& args);  // render IN.grv OUT.wav|OUT.flac [--loops N] [--rate HZ]
int cliInfo(const Args& args);    // info FILE
int cliPreset(const Args& args);  // preset NAME|TAG OUT.grv
int cliMidi(const Args& args);    // midi IN.grv OUT.mid

}  // namespace pattaplex
