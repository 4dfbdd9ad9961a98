// The file commands of pattaplex-cli: info, preset and midi. Each acts as a freshly
// started program would and writes its output file as a whole or not at all.

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli_commands.h"
#include "defaults.h"
#include "fresh_start.h"
#include "groove_files.h"
#include "integer_plist.h"
#include "midi_export.h"
#include "names.h"
#include "presets.h"

namespace pattaplex {

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "pattaplex-cli: %s\n", message.c_str());
    return 1;
}

// The window draws a loaded groove before the user can act on it, and the drawing lowers
// BARS until the grid shows at most 54 steps.
void capToShownGrid(GrooveState& s) {
    s.BARS = cappedBars(s.BARS, s.BEATS, s.SUB);
}

std::string kitText(int32_t kit) {
    return std::to_string(kit) + " " + kitName(kit).value_or("(unnamed)");
}

std::string nameText(int32_t kit, int32_t note) {
    return soundName(kit, note).value_or("?");
}

// Active steps that are ratchets or may stay silent.
int stepsWithRepeatsOrChance(const GrooveData& g, int steps) {
    int count = 0;
    for (size_t r = 0; r < kRowCount; ++r)
        for (size_t i = 0; i < static_cast<size_t>(steps); ++i)
            if (g.steps[r][i] != 0 &&
                (g.feel.repeats[r][i] != 1 || g.feel.chances[r][i] != kSurely))
                ++count;
    return count;
}

void printGroove(const std::string& path, const GrooveData& g) {
    const int steps = g.SUB * g.BEATS * g.BARS;  // checked by the reader: at most 80
    std::printf("Groove:  %s\n", path.c_str());
    std::printf("Grid:    %d bars x %d beats x %d steps per beat = %d steps\n", g.BARS, g.BEATS,
                g.SUB, steps);
    std::printf("Tempo:   %d\n", g.TEMPO);
    std::printf("Kit:     %s\n", kitText(g.KIT).c_str());
    const FeelData& f = g.feel;
    std::printf(
        "Swing:   %d %%%s\n", f.swing,
        swingApplies(g.SUB) || f.swing == kStraightSwing ? "" : " (no effect with this grid)");
    std::printf("Humanise: %d ms, velocity %d\n", f.humaniseMs, f.humaniseVelocity);
    std::printf("Repeats or chance: %d steps\n", stepsWithRepeatsOrChance(g, steps));
    std::printf("Row  Note  Name            Volume  Steps\n");
    for (int r = 0; r < kRowCount; ++r) {
        const auto row = static_cast<size_t>(r);
        const std::string volume = g.volumes[row] == 0 ? "Off" : std::to_string(g.volumes[row]);
        std::string grid;
        for (int i = 0; i < steps; ++i) {
            if (i > 0 && i % (g.BEATS * g.SUB) == 0) grid += ' ';  // a space between bars
            grid += g.steps[row][static_cast<size_t>(i)] != 0 ? 'x' : '.';
        }
        std::printf("%3d  %4d  %-14s  %6s  %s\n", r + 1, g.notes[row],
                    nameText(g.KIT, g.notes[row]).c_str(), volume.c_str(), grid.c_str());
    }
}

void printDrumSet(const std::string& path, const DrumSetData& d) {
    std::printf("Drum set: %s\n", path.c_str());
    std::printf("Kit:     %s\n", kitText(d.KIT).c_str());
    std::printf("Row  Note  Name\n");
    for (int r = 0; r < kRowCount; ++r) {
        const int32_t note = d.notes[static_cast<size_t>(r)];
        std::printf("%3d  %4d  %s\n", r + 1, note, nameText(d.KIT, note).c_str());
    }
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool sameName(const std::string& a, const std::string& b) {
    return lowerCase(a) == lowerCase(b);
}

// A preset tag from its number or its name (any case); 0 when there is none.
int presetTag(const std::string& nameOrTag) {
    for (int tag = 1; tag <= kPresetCount; ++tag)
        if (nameOrTag == std::to_string(tag) || sameName(nameOrTag, *presetName(tag))) return tag;
    return 0;
}

std::string presetList() {
    std::string list;
    for (int tag = 1; tag <= kPresetCount; ++tag)
        list += (tag > 1 ? ", " : "") + std::to_string(tag) + " " + *presetName(tag);
    return list;
}

}  // namespace

int cliInfo(const Args& args) {
    const std::string& path = args[0];
    const Result<std::string> bytes = readSmallFile(path);
    if (!bytes) return fail("cannot read " + path + ": " + bytes.error());

    // The extension says what the file is; only for another one does the groove mark decide.
    const std::string extension = lowerCase(std::filesystem::path(path).extension().string());
    bool groove = extension == ".grv";
    if (extension != ".grv" && extension != ".set") {
        const Result<std::vector<int32_t>> array = parseIntegerArray(*bytes);
        if (!array) return fail("cannot read " + path + ": " + array.error());
        groove = !array->empty() && (*array)[0] == kGrooveMark;
    }
    if (groove) {
        const Result<GrooveData> g = grooveFromBytes(*bytes);
        if (!g) return fail(path + " is not a groove file: " + g.error());
        printGroove(path, *g);
    } else {
        const Result<DrumSetData> d = drumSetFromBytes(*bytes);
        if (!d) return fail(path + " is not a drum-set file: " + d.error());
        printDrumSet(path, *d);
    }
    return 0;
}

int cliPreset(const Args& args) {
    const int tag = presetTag(args[0]);
    if (tag == 0) return fail("unknown preset \"" + args[0] + "\"; choose " + presetList());

    GrooveState s = freshStartState();
    doPreset(s, tag);
    capToShownGrid(s);
    if (const Status saved = saveGroove(args[1], s); !saved) return fail(saved.error());
    return 0;
}

int cliMidi(const Args& args) {
    const Result<GrooveData> groove = readGroove(args[0]);
    if (!groove) return fail(args[0] + " is not a groove file: " + groove.error());

    GrooveState s = freshStartState();
    applyGroove(s, *groove);
    capToShownGrid(s);
    if (const Status exported = exportMidi(args[1], s); !exported) return fail(exported.error());
    return 0;
}

}  // namespace pattaplex
