#pragma once
// What the step clock plays: an immutable copy of the groove's playing fields that the
// main thread publishes after each change and the audio thread picks up without a lock,
// an allocation or a wait. Old copies go back to the main thread to be freed.

#include <array>
#include <atomic>
#include <cstdint>

#include "GrooveState.h"
#include "SpscQueue.h"
#include "hit_timing.h"

namespace pattaplex {

struct GrooveSnapshot {
    struct Row {
        int32_t note = 0;
        int32_t volume = 0;                      // 0 = muted
        std::array<int32_t, kBufferSize> on{};   // 0 = step off
        std::array<int32_t, kBufferSize> vel{};  // step velocities
        std::array<int32_t, kBufferSize> repeats = filledSteps(1);
        std::array<int32_t, kBufferSize> chance = filledSteps(kSurely);
        friend bool operator==(const Row&, const Row&) = default;
    };
    std::array<Row, kRowCount> rows{};
    int32_t steps = 0;  // BARS x BEATS x SUB, capped
    int32_t sub = 1;
    int32_t beats = 4;  // a bar's
    int32_t tempo = 0;
    int32_t swing = kStraightSwing;
    int32_t humaniseMs = 0;
    int32_t humaniseVelocity = 0;
    uint64_t seed = kDefaultFeelSeed;  // of the chance and humanise draws

    // Set by the handoff. `serial`: the order of publication. `forPass`: the pass of the
    // loop (counted from 0 at each start) this groove belongs to; one for a pass not yet
    // begun waits for it, any other plays at once. `prepared`: the groove infinite
    // random made for the next pass; when it comes late, it waits for the pass after.
    uint64_t serial = 0;
    int64_t forPass = 0;
    bool prepared = false;

    static GrooveSnapshot of(const GrooveState& s);
    // Same groove, whatever the serial and the wait.
    bool sameGroove(const GrooveSnapshot& other) const {
        return rows == other.rows && steps == other.steps && sub == other.sub &&
               beats == other.beats && tempo == other.tempo && swing == other.swing &&
               humaniseMs == other.humaniseMs && humaniseVelocity == other.humaniseVelocity &&
               seed == other.seed;
    }
};

class SnapshotHandoff {
  public:
    SnapshotHandoff() = default;
    ~SnapshotHandoff();  // only once no audio thread runs
    SnapshotHandoff(const SnapshotHandoff&) = delete;
    SnapshotHandoff& operator=(const SnapshotHandoff&) = delete;

    // Main thread: hands over `groove`, replacing one the audio thread has not taken yet.
    // Returns its serial.
    uint64_t publish(const GrooveSnapshot& groove, int64_t forPass = 0, bool prepared = false);
    // Main thread: frees what the audio thread gave back.
    void collect();

    // Audio thread: the newest publication since the last call, or null.
    GrooveSnapshot* take() { return pending_.exchange(nullptr, std::memory_order_acq_rel); }
    // Audio thread: gives back a snapshot it no longer reads.
    void retire(GrooveSnapshot* old);

  private:
    std::atomic<GrooveSnapshot*> pending_{nullptr};
    // The audio thread holds at most two (playing and waiting) and one is pending, and
    // every publish collects first: this never fills.
    SpscQueue<GrooveSnapshot*, 64> retired_;
    uint64_t serial_ = 0;
};

}  // namespace pattaplex
