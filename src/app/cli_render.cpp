#include <cstdio>
#include <string>

#include "OfflineRender.h"
#include "cli_commands.h"
#include "defaults.h"
#include "fresh_start.h"
#if PATTAPLEX_HAVE_GROOVE_FILES
#include "groove_files.h"
#endif

namespace pattaplex {

namespace {

constexpr int kDefaultPasses = 4;
constexpr int kMostPasses = 10000;

int fail(const std::string& message) {
    std::fprintf(stderr, "pattaplex-cli: render: %s\n", message.c_str());
    return 1;
}

bool parsePasses(const std::string& text, int& passes) {
    try {
        size_t used = 0;
        const long n = std::stol(text, &used);
        if (used != text.size() || n < 1 || n > kMostPasses) return false;
        passes = static_cast<int>(n);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The groove as a freshly started program would play it after opening the file.
bool loadGroove(const std::string& path, GrooveState& s, std::string& why) {
    s = freshStartState();
#if PATTAPLEX_HAVE_GROOVE_FILES
    const Result<GrooveData> groove = readGroove(path);
    if (!groove) {
        why = groove.error();
        return false;
    }
    applyGroove(s, *groove);
    return true;
#else
    (void)path;
    why = "cannot read groove files yet";
    return false;
#endif
}

}  // namespace

int cliRender(const Args& args) {
    std::string in, out;
    int passes = kDefaultPasses;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--loops") {
            if (i + 1 >= args.size() || !parsePasses(args[i + 1], passes))
                return fail("--loops needs a number from 1 to " + std::to_string(kMostPasses));
            ++i;
        } else if (in.empty()) {
            in = args[i];
        } else if (out.empty()) {
            out = args[i];
        } else {
            return fail("unexpected argument \"" + args[i] + "\"");
        }
    }
    if (out.empty()) return fail("usage: render IN.grv OUT.wav [--loops N]");

    GrooveState s;
    std::string why;
    if (!loadGroove(in, s, why)) return fail(in + ": " + why);
    const auto audio = renderGroove(s, passes, why);
    if (!audio) return fail(why);
    if (auto error = writeWav(out, *audio)) return fail(*error);
    return 0;
}

}  // namespace pattaplex
