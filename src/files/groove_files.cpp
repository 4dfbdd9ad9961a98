#include "groove_files.h"

#include <algorithm>

#include "atomic_file.h"
#include "integer_plist.h"

namespace pattaplex {

namespace {

constexpr size_t kGrooveHeader = 26;  // mark, grid, tempo, kit, ten notes, ten volumes
constexpr size_t kDrumSetEntries = 11;

void tell(std::string* why, std::string reason) {
    if (why) *why = std::move(reason);
}

std::optional<std::vector<int32_t>> readArray(const std::string& path, std::string* why) {
    const std::optional<std::string> bytes = readSmallFile(path, why);
    if (!bytes) return std::nullopt;
    return parseIntegerArray(*bytes, why);
}

std::optional<GrooveData> grooveOf(const std::vector<int32_t>& a, std::string* why) {
    if (a.empty() || a[0] != kGrooveMark) {
        tell(why, "entry 0 is not 666");
        return std::nullopt;
    }
    if (a.size() < kGrooveHeader) {
        tell(why, "it holds " + std::to_string(a.size()) + " entries, fewer than 26");
        return std::nullopt;
    }
    GrooveData g;
    g.SUB = a[1];
    g.BEATS = a[2];
    g.BARS = a[3];
    g.TEMPO = a[4];
    g.KIT = a[5];
    if (g.SUB < 1 || g.BEATS < 1 || g.BARS < 1) {
        tell(why, "SUB, BEATS and BARS must be at least 1");
        return std::nullopt;
    }
    const std::optional<int> steps = fileStepCount(g.SUB, g.BEATS, g.BARS);
    if (!steps) {
        tell(why, "its grid has more than 80 steps per row");
        return std::nullopt;
    }
    const size_t n = static_cast<size_t>(*steps);
    const size_t needed = kGrooveHeader + kRowCount * n;
    if (a.size() < needed) {
        tell(why, "it holds " + std::to_string(a.size()) + " entries, fewer than the " +
                      std::to_string(needed) + " its grid needs");
        return std::nullopt;
    }
    for (size_t r = 0; r < kRowCount; ++r) {
        g.notes[r] = a[6 + r];
        g.volumes[r] = a[16 + r];
        const auto first = a.begin() + static_cast<std::ptrdiff_t>(kGrooveHeader + r * n);
        g.steps[r].assign(first, first + static_cast<std::ptrdiff_t>(n));
    }
    return g;
}

std::optional<DrumSetData> drumSetOf(const std::vector<int32_t>& a, std::string* why) {
    if (a.size() < kDrumSetEntries) {
        tell(why, "it holds " + std::to_string(a.size()) + " entries, fewer than 11");
        return std::nullopt;
    }
    DrumSetData d;
    for (size_t r = 0; r < kRowCount; ++r) d.notes[r] = a[r];
    d.KIT = a[10];
    return d;
}

}  // namespace

std::optional<int> fileStepCount(int32_t SUB, int32_t BEATS, int32_t BARS) {
    if (SUB < 1 || BEATS < 1 || BARS < 1) return std::nullopt;
    // Each factor is at most 80 before multiplying, so the product cannot overflow.
    if (SUB > kBufferSize || BEATS > kBufferSize || BARS > kBufferSize) return std::nullopt;
    const int steps = SUB * BEATS * BARS;
    if (steps > kBufferSize) return std::nullopt;
    return steps;
}

std::vector<int32_t> grooveArray(const GrooveState& s) {
    std::vector<int32_t> a{kGrooveMark, s.SUB, s.BEATS, s.BARS, s.TEMPO, s.KIT};
    for (const DrumRow& row : s.rows) a.push_back(row.DR);
    for (const DrumRow& row : s.rows) a.push_back(row.DV);
    const int steps = fileStepCount(s.SUB, s.BEATS, s.BARS).value_or(0);
    for (const DrumRow& row : s.rows) a.insert(a.end(), row.BUF.begin(), row.BUF.begin() + steps);
    return a;
}

std::vector<int32_t> drumSetArray(const GrooveState& s) {
    std::vector<int32_t> a;
    for (const DrumRow& row : s.rows) a.push_back(row.DR);
    a.push_back(s.KIT);
    return a;
}

std::optional<std::string> saveGroove(const std::string& path, const GrooveState& s) {
    if (!fileStepCount(s.SUB, s.BEATS, s.BARS))
        return "Cannot save \"" + path + "\": the grid of " + std::to_string(s.BARS) + " x " +
               std::to_string(s.BEATS) + " x " + std::to_string(s.SUB) +
               " steps does not fit a groove file.";
    return replaceFile(path, integerArrayXml(grooveArray(s)));
}

std::optional<std::string> saveDrumSet(const std::string& path, const GrooveState& s) {
    return replaceFile(path, integerArrayXml(drumSetArray(s)));
}

std::optional<GrooveData> grooveFromBytes(std::string_view bytes, std::string* why) {
    const auto array = parseIntegerArray(bytes, why);
    return array ? grooveOf(*array, why) : std::nullopt;
}

std::optional<DrumSetData> drumSetFromBytes(std::string_view bytes, std::string* why) {
    const auto array = parseIntegerArray(bytes, why);
    return array ? drumSetOf(*array, why) : std::nullopt;
}

std::optional<GrooveData> readGroove(const std::string& path, std::string* why) {
    const auto array = readArray(path, why);
    return array ? grooveOf(*array, why) : std::nullopt;
}

std::optional<DrumSetData> readDrumSet(const std::string& path, std::string* why) {
    const auto array = readArray(path, why);
    return array ? drumSetOf(*array, why) : std::nullopt;
}

void applyGroove(GrooveState& s, const GrooveData& g) {
    s.SUB = g.SUB;
    s.BEATS = g.BEATS;
    s.BARS = g.BARS;
    s.TEMPO = g.TEMPO;
    s.KIT = g.KIT;
    for (size_t r = 0; r < kRowCount; ++r) s.rows[r].DR = g.notes[r];
    for (size_t r = 0; r < kRowCount; ++r) s.rows[r].DV = g.volumes[r];
    // GrooveData from the readers holds at most 80 steps; a hand-built one is cut there.
    for (size_t r = 0; r < kRowCount; ++r) {
        const size_t n = std::min(g.steps[r].size(), s.rows[r].BUF.size());
        std::copy_n(g.steps[r].begin(), n, s.rows[r].BUF.begin());
    }
}

void applyDrumSet(GrooveState& s, const DrumSetData& d) {
    for (size_t r = 0; r < kRowCount; ++r) s.rows[r].DR = d.notes[r];
    s.KIT = d.KIT;
}

}  // namespace pattaplex
