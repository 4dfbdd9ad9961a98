#include "ClockFollower.h"

#include <cmath>
#include <cstddef>

namespace pattaplex {

namespace {

constexpr uint8_t kClock = 0xF8;
constexpr uint8_t kStart = 0xFA;
constexpr uint8_t kContinue = 0xFB;
constexpr uint8_t kStop = 0xFC;
constexpr uint8_t kSongPosition = 0xF2;
constexpr int kTicksPerSixteenth = 6;
// A tick further apart than this from the one before (30 beats a minute and slower) starts
// the tempo's average anew: the clock had stopped.
// Ticks this much further apart or closer than the average are a new tempo, not jitter.
constexpr double kTempoJump = 0.15;
constexpr double kSlowestTickSeconds = 60.0 / (30 * ClockFollower::kTicksPerBeat);

}  // namespace

ClockFollower::Cue ClockFollower::take(int64_t time, const uint8_t* bytes, int size) {
    if (size < 1) return {};
    switch (bytes[0]) {
        case kClock: {
            if (count_ > 0 && time - lastTick_ > kSlowestTickSeconds * rate_) count_ = 0;
            // A jump of tempo starts the average anew from the tick before, so the new
            // tempo holds from its first interval on.
            const double average = interval();
            if (average > 0 &&
                std::fabs(static_cast<double>(time - lastTick_) - average) > kTempoJump * average)
                count_ = 1;
            newest_ = (newest_ + 1) % static_cast<int>(ticks_.size());
            ticks_[static_cast<size_t>(newest_)] = time;
            if (count_ < static_cast<int>(ticks_.size())) ++count_;
            lastTick_ = time;
            if (armed_) {
                armed_ = false;
                running_ = true;
                tick_ = anchor_;
                return {Cue::Kind::Start, tick_};
            }
            if (!running_) return {};
            return {Cue::Kind::Tick, ++tick_};
        }
        case kStart:
        case kContinue: {
            const bool wasRunning = running_;
            armed_ = true;
            running_ = false;
            anchor_ = bytes[0] == kStart ? 0 : songPosition_ * kTicksPerSixteenth;
            songPosition_ = 0;
            if (wasRunning) return {Cue::Kind::Stop};
            return {};
        }
        case kStop: {
            const bool wasRunning = running_;
            running_ = armed_ = false;
            // Where a Continue without a position pointer picks up.
            songPosition_ = wasRunning ? (tick_ + 1) / kTicksPerSixteenth : songPosition_;
            if (wasRunning) return {Cue::Kind::Stop};
            return {};
        }
        case kSongPosition:
            if (size >= 3 && !running_) songPosition_ = (bytes[1] & 0x7F) | (bytes[2] & 0x7F) << 7;
            return {};
        default:
            return {};
    }
}

double ClockFollower::interval() const {
    if (count_ < 2) return 0;
    const int size = static_cast<int>(ticks_.size());
    const int oldest = (newest_ - (count_ - 1) + size) % size;
    return static_cast<double>(ticks_[static_cast<size_t>(newest_)] -
                               ticks_[static_cast<size_t>(oldest)]) /
           (count_ - 1);
}

double ClockFollower::tempo() const {
    const double samples = interval();
    return samples > 0 ? 60.0 * rate_ / (samples * kTicksPerBeat) : 0;
}

}  // namespace pattaplex
