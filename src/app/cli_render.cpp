#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "OfflineRender.h"
#include "cli_commands.h"
#include "defaults.h"
#include "fresh_start.h"
#include "groove_files.h"

namespace pattaplex {

namespace {

constexpr int kDefaultPasses = 4;
constexpr int kMostPasses = 10000;

int fail(const std::string& message) {
    std::fprintf(stderr, "pattaplex-cli: render: %s\n", message.c_str());
    return 1;
}

// FluidSynth's own threads for the voices, when the machine has cores to spare;
// PATTAPLEX_RENDER_CORES overrides.
int renderCores() {
    if (const char* env = std::getenv("PATTAPLEX_RENDER_CORES"); env && *env)
        return std::clamp(std::atoi(env), 1, 16);
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 2);
}

// A flag or value the command does not take: the reason, then how it is used.
int misuse(const std::string& message) {
    std::fprintf(stderr,
                 "pattaplex-cli: render: %s\n"
                 "usage: pattaplex-cli render IN.grv OUT.wav|OUT.flac [--loops N] [--rate HZ]\n"
                 "       [--seed N]\n",
                 message.c_str());
    return 2;
}

bool parseNumber(const std::string& text, int lowest, int highest, int& value) {
    try {
        size_t used = 0;
        const long n = std::stol(text, &used);
        if (used != text.size() || n < lowest || n > highest) return false;
        value = static_cast<int>(n);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

int cliRender(const Args& args) {
    std::string in, out;
    RenderOptions options;
    options.passes = kDefaultPasses;
    options.cores = renderCores();
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--loops") {
            if (!hasValue || !parseNumber(args[i + 1], 1, kMostPasses, options.passes))
                return misuse("--loops needs a number from 1 to " + std::to_string(kMostPasses));
            ++i;
        } else if (a == "--rate") {
            if (!hasValue || !parseNumber(args[i + 1], kLowestRate, kHighestRate, options.rate))
                return misuse("--rate needs a rate in Hz from " + std::to_string(kLowestRate) +
                              " to " + std::to_string(kHighestRate));
            ++i;
        } else if (a == "--seed") {
            int seed = 0;
            if (!hasValue || !parseNumber(args[i + 1], 0, INT32_MAX, seed))
                return misuse("--seed needs a number from 0 to " + std::to_string(INT32_MAX));
            options.seed = static_cast<uint64_t>(seed);
            ++i;
        } else if (a.size() > 1 && a[0] == '-') {
            return misuse("unknown option \"" + a + "\"");
        } else if (in.empty()) {
            in = a;
        } else if (out.empty()) {
            out = a;
        } else {
            return misuse("unexpected argument \"" + a + "\"");
        }
    }
    if (out.empty()) return misuse(in.empty() ? "no groove file given" : "no output file given");

    const Result<GrooveData> groove = readGroove(in);
    if (!groove) return fail(in + ": " + groove.error());
    // The groove as a freshly started program would play it after opening the file.
    GrooveState s = freshStartState();
    applyGroove(s, *groove);
    if (auto error = renderToFile(s, out, options)) return fail(*error);
    return 0;
}

}  // namespace pattaplex
