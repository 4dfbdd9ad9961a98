#include "randomizer.h"

#include <algorithm>
#include <ctime>
#include <random>

#include "clear_undo.h"
#include "defaults.h"

namespace pattaplex {

namespace {

// Draws are made in a fixed order from a generator seeded by the clock's seconds
// modulo 100, so runs within the same second repeat each other exactly.
class Draws {
  public:
    explicit Draws(int64_t seconds) : gen_(static_cast<uint32_t>(seconds % 100 + 100) % 100 + 1) {}
    int32_t next() { return static_cast<int32_t>(gen_() & 0x7fffffff); }
    int32_t velocity(int modulus) {
        int32_t v;
        do v = next() % modulus;
        while (v < 60);
        return v;
    }

  private:
    std::minstd_rand gen_;
};

}  // namespace

int64_t systemSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

void randomize(GrooveState& s, const SecondsClock& clock) {
    Draws draws(clock());
    const int mode = s.randTOG;
    if (mode > 2) {
        clearBufs(s);
        setVOL(s);
    }
    // Positions must land inside the buffers, whatever LNG holds.
    const int length = std::clamp(s.LNG, 0, kMaxShownSteps);
    const int64_t rounds = std::clamp<int64_t>(int64_t{s.SUB} * s.BARS, 0, kBufferSize);
    for (int64_t r = 0; r < rounds; ++r) {
        for (int n = 1; n <= kRowCount; ++n) {
            DrumRow& row = s.row(n);
            const int p = length > 0 ? draws.next() % length : -1;
            if (p >= 0 && mode > 2) {
                row.oldD = row.DR;
                row.BUF[p] = row.DR;
            }
            const int32_t velocity = draws.velocity(n == 1 ? 128 : 127);
            if (p >= 0 && (mode == 1 || mode > 3)) {
                row.VOL[p] = velocity;
                row.rememberVolume(velocity);
            }
        }
    }
    if (mode == 2 || mode == 5) {
        for (DrumRow& row : s.rows) row.DR = 35 + draws.next() % 48;
    }
}

}  // namespace pattaplex
