#include <cstdio>

#include "cli_commands.h"

namespace pattaplex {

int cliRender(const Args&) {
    std::fputs("pattaplex-cli: render is not available yet\n", stderr);
    return 1;
}

}  // namespace pattaplex
