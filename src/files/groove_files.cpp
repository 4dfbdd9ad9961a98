#include "groove_files.h"

#include <algorithm>

#include "atomic_file.h"
#include "integer_plist.h"

namespace pattaplex {

namespace {

constexpr size_t kGrooveHeader = 26;  // mark, grid, tempo, kit, ten notes, ten volumes
constexpr size_t kDrumSetEntries = 11;

Result<std::vector<int32_t>> readArray(const std::string& path) {
    Result<std::string> bytes = readSmallFile(path);
    if (!bytes) return failure(bytes.error());
    return parseIntegerArray(*bytes);
}

Result<GrooveData> grooveOf(const std::vector<int32_t>& a) {
    if (a.empty() || a[0] != kGrooveMark) return failure("entry 0 is not 666");
    if (a.size() < kGrooveHeader)
        return failure("it holds " + std::to_string(a.size()) + " entries, fewer than 26");
    GrooveData g;
    g.SUB = a[1];
    g.BEATS = a[2];
    g.BARS = a[3];
    // Tempos a groove file brings are kept within what the tempo control offers.
    g.TEMPO = std::clamp(a[4], int32_t{kSlowestTempo}, int32_t{kFastestTempo});
    g.KIT = a[5];
    if (g.SUB < 1 || g.BEATS < 1 || g.BARS < 1)
        return failure("SUB, BEATS and BARS must be at least 1");
    const std::optional<int> steps = fileStepCount(g.SUB, g.BEATS, g.BARS);
    if (!steps) return failure("its grid has more than 80 steps per row");
    const size_t n = static_cast<size_t>(*steps);
    const size_t needed = kGrooveHeader + kRowCount * n;
    if (a.size() < needed)
        return failure("it holds " + std::to_string(a.size()) + " entries, fewer than the " +
                       std::to_string(needed) + " its grid needs");
    for (size_t r = 0; r < kRowCount; ++r) {
        g.notes[r] = a[6 + r];
        g.volumes[r] = a[16 + r];
        const auto first = a.begin() + static_cast<std::ptrdiff_t>(kGrooveHeader + r * n);
        g.steps[r].assign(first, first + static_cast<std::ptrdiff_t>(n));
    }
    Result<FeelData> feel =
        feelOf(std::span<const int32_t>(a).subspan(needed), static_cast<int>(n), g.volumes);
    if (!feel) return failure(feel.error());
    g.feel = *feel;
    return g;
}

Result<DrumSetData> drumSetOf(const std::vector<int32_t>& a) {
    // A groove, or any other list of integers, is no drum set.
    if (a.size() != kDrumSetEntries)
        return failure("it holds " + std::to_string(a.size()) + " entries, not 11");
    DrumSetData d;
    for (size_t r = 0; r < kRowCount; ++r) d.notes[r] = a[r];
    d.KIT = a[10];
    return d;
}

template <class T>
Result<T> readAs(Result<std::vector<int32_t>> array, Result<T> (*of)(const std::vector<int32_t>&)) {
    if (!array) return failure(array.error());
    return of(*array);
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
    if (hasFeel(s, steps)) {
        const std::vector<int32_t> feel = feelBlock(s, steps);
        a.insert(a.end(), feel.begin(), feel.end());
    }
    return a;
}

std::vector<int32_t> drumSetArray(const GrooveState& s) {
    std::vector<int32_t> a;
    for (const DrumRow& row : s.rows) a.push_back(row.DR);
    a.push_back(s.KIT);
    return a;
}

Status saveGroove(const std::string& path, const GrooveState& s) {
    if (!fileStepCount(s.SUB, s.BEATS, s.BARS))
        return failure(saveError(path, "the grid of " + std::to_string(s.BARS) + " x " +
                                           std::to_string(s.BEATS) + " x " + std::to_string(s.SUB) +
                                           " steps does not fit a groove file"));
    return replaceFile(path, integerArrayXml(grooveArray(s)));
}

Status saveDrumSet(const std::string& path, const GrooveState& s) {
    return replaceFile(path, integerArrayXml(drumSetArray(s)));
}

Result<GrooveData> grooveFromBytes(std::string_view bytes) {
    return readAs(parseIntegerArray(bytes), grooveOf);
}

Result<DrumSetData> drumSetFromBytes(std::string_view bytes) {
    return readAs(parseIntegerArray(bytes), drumSetOf);
}

Result<GrooveData> readGroove(const std::string& path) {
    return readAs(readArray(path), grooveOf);
}

Result<DrumSetData> readDrumSet(const std::string& path) {
    return readAs(readArray(path), drumSetOf);
}

void applyGroove(GrooveState& s, const GrooveData& g) {
    s.SUB = g.SUB;
    s.BEATS = g.BEATS;
    s.BARS = g.BARS;
    s.TEMPO = g.TEMPO;
    s.KIT = g.KIT;
    for (size_t r = 0; r < kRowCount; ++r) {
        DrumRow& row = s.rows[r];
        row.DR = g.notes[r];
        row.DV = g.volumes[r];
        // GrooveData from the readers holds at most 80 steps; a hand-built one is cut there.
        const size_t n = std::min(g.steps[r].size(), row.BUF.size());
        std::copy_n(g.steps[r].begin(), n, row.BUF.begin());
        // Past the file's steps nothing stays set, and a longer grid drawn later plays at
        // the row's volume, as the defaults would give it.
        std::fill(row.BUF.begin() + static_cast<std::ptrdiff_t>(n), row.BUF.end(), 0);
        std::fill(row.VOL.begin() + static_cast<std::ptrdiff_t>(n), row.VOL.end(), row.DV);
    }
    applyFeel(s, g.feel, static_cast<int>(std::min(g.steps[0].size(), s.rows[0].BUF.size())));
}

void applyDrumSet(GrooveState& s, const DrumSetData& d) {
    for (size_t r = 0; r < kRowCount; ++r) s.rows[r].DR = d.notes[r];
    s.KIT = d.KIT;
}

}  // namespace pattaplex
