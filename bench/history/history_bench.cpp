// What undo costs: microseconds per recorded edit (the groove kept before the edit,
// compared after it and stored) and the memory a full history holds. Run it by hand:
//   build/release/bench/history/history_bench [edits]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "defaults.h"
#include "edit_history.h"

int main(int argc, char** argv) {
    using namespace pattaplex;
    const long edits = argc > 1 ? std::max(1L, std::atol(argv[1])) : 100000;
    GrooveState s;
    applyStartupValues(s);
    loadDefaultSounds(s);
    EditHistory history;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < edits; ++i) {
        const GrooveState before = s;  // as every action keeps it
        DrumRow& row = s.row(static_cast<int>(i % kRowCount) + 1);
        int32_t& cell = row.BUF[static_cast<size_t>(i % 16)];
        cell = cell == 0 ? row.DR : 0;
        if (!sameGroove(before, s)) history.record(before, "Step");
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double kib = static_cast<double>(history.undoDepth() * sizeof(GrooveState)) / 1024.0;
    std::printf("%.2f us per recorded edit over %ld edits\n", seconds * 1e6 / edits, edits);
    std::printf("%zu edits kept: %.0f KiB of grooves (%zu bytes each)\n", history.undoDepth(), kib,
                sizeof(GrooveState));
    return history.canUndo() ? 0 : 1;
}
