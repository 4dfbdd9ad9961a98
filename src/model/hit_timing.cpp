#include "hit_timing.h"

#include <algorithm>

namespace pattaplex {

namespace {

// SplitMix64's finaliser: a well-spread 64-bit value from any 64-bit input.
uint64_t mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// What a draw decides, so that each has its own stream.
enum class Draw : uint64_t { Chance = 1, Time = 2, Velocity = 3 };

// A uniform number in 0 .. range - 1 for one decision of one hit.
int64_t draw(const HitTiming& t, int64_t pass, int row, int step, Draw what, int hit,
             int64_t range) {
    uint64_t h = mix(t.seed);
    h = mix(h ^ static_cast<uint64_t>(pass));
    h = mix(h ^ (static_cast<uint64_t>(row) << 32 | static_cast<uint32_t>(step)));
    h = mix(h ^ (static_cast<uint64_t>(what) << 8 | static_cast<uint64_t>(hit)));
    return static_cast<int64_t>(h % static_cast<uint64_t>(range));
}

// A uniform spread in -amount .. amount.
int64_t spread(const HitTiming& t, int64_t pass, int row, int step, Draw what, int hit,
               int64_t amount) {
    if (amount <= 0) return 0;
    return draw(t, pass, row, step, what, hit, 2 * amount + 1) - amount;
}

int64_t stepDivisor(const HitTiming& t) {
    const int64_t beats = t.tempo < 1 ? kSlowestTempo : t.tempo;
    return beats * std::max(t.sub, 1);
}

// a / b to the nearest whole number, for positive b.
int64_t nearest(int64_t a, int64_t b) {
    return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b);
}

}  // namespace

int64_t straightStepStart(const HitTiming& t, int step) {
    return int64_t{step} * t.unitsPerMinute / stepDivisor(t);
}

StepHits stepHits(const HitTiming& t, int64_t pass, int row, int step, const StepFeel& feel) {
    StepHits out;
    if (feel.velocity <= 0 || t.unitsPerMinute <= 0) return out;
    const int64_t chance = std::clamp(feel.chance, 0, kSurely);
    if (chance < kSurely && draw(t, pass, row, step, Draw::Chance, 0, kSurely) >= chance)
        return out;

    // A pair of steps lasts two straight steps; the first takes swing % of it. In units of
    // 1 / (50 x divisor) of a minute's units: a straight step is 50, the first of a swung
    // pair `swing`, the second 100 - swing.
    const int32_t swing =
        swingApplies(t.sub) ? std::clamp(t.swing, kStraightSwing, kMostSwing) : kStraightSwing;
    const bool second = swingApplies(t.sub) && (step % t.sub) % 2 == 1;
    const int64_t delay = second ? swing - kStraightSwing : 0;
    const int64_t length = second ? 100 - swing : swing;
    const int64_t repeats = std::clamp(feel.repeats, 1, kMostRepeats);
    const int64_t denominator = 50 * stepDivisor(t) * repeats;

    const int64_t timeSpread =
        nearest(std::clamp(t.humaniseMs, 0, kMostHumaniseMs) * t.unitsPerMinute, 60'000);
    const int64_t velocitySpread = std::clamp(t.humaniseVelocity, 0, kMostHumaniseVelocity);
    const int64_t earliest = -straightStepStart(t, step);  // the start of the pass
    const int32_t velocity = std::min(feel.velocity, 127);
    for (int j = 0; j < repeats; ++j) {
        const int64_t exact =
            nearest((delay * repeats + j * length) * t.unitsPerMinute, denominator);
        const int64_t moved = exact + spread(t, pass, row, step, Draw::Time, j, timeSpread);
        const int64_t loudness =
            velocity + spread(t, pass, row, step, Draw::Velocity, j, velocitySpread);
        out.hits[static_cast<size_t>(j)] = {
            std::max(moved, earliest), static_cast<int32_t>(std::clamp<int64_t>(loudness, 1, 127))};
    }
    out.count = static_cast<int>(repeats);
    out.length = std::max<int64_t>(1, length * t.unitsPerMinute / denominator);
    // Humanise may swap neighbouring hits of a ratchet; they are played in time order.
    std::sort(out.hits.begin(), out.hits.begin() + out.count,
              [](const Hit& a, const Hit& b) { return a.offset < b.offset; });
    return out;
}

}  // namespace pattaplex
