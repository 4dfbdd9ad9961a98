#pragma once
// Follows a MIDI clock coming in: its tempo, smoothed over the last beat of ticks (a jump
// of more than 15 % is taken at once), and its
// transport (Start, Stop, Continue at the song position). Audio thread only; allocates
// nothing.

#include <array>
#include <cstdint>

namespace pattaplex {

class ClockFollower {
  public:
    // What an incoming message asks of the player.
    struct Cue {
        enum class Kind : uint8_t { None, Start, Tick, Stop };
        Kind kind = Kind::None;
        int64_t tick = 0;  // for Start and Tick: ticks (24 a beat) from the groove's start
    };

    static constexpr int kTicksPerBeat = 24;
    // Without a tick for this long, a following player stops.
    static constexpr int kLostSeconds = 2;

    explicit ClockFollower(int rate) : rate_(rate) {}
    void setRate(int rate) { rate_ = rate; }

    // One message at sample time `time`; messages come in time order.
    Cue take(int64_t time, const uint8_t* bytes, int size);
    // Plays from tick `tick` at the next tick, as a Continue does.
    void arm(int64_t tick) {
        running_ = false;
        armed_ = true;
        anchor_ = tick;
    }
    // Forgets the transport (not the tempo): nothing plays until the next Start.
    void reset() { running_ = armed_ = false; }
    bool running() const { return running_; }
    // Running, but no tick since `kLostSeconds` before `now`.
    bool lost(int64_t now) const {
        return running_ && now - lastTick_ > int64_t{kLostSeconds} * rate_;
    }

    // Samples between ticks and beats a minute, averaged over up to a beat of ticks; 0
    // until two ticks have come.
    double interval() const;
    double tempo() const;

  private:
    int rate_;
    // The times of the last beat of ticks, and how many there are (at most a beat's).
    std::array<int64_t, kTicksPerBeat + 1> ticks_{};
    int count_ = 0;
    int newest_ = -1;
    int64_t lastTick_ = 0;
    bool running_ = false;
    bool armed_ = false;        // starts at the next tick
    int64_t anchor_ = 0;        // the tick a start or continue begins at
    int64_t tick_ = 0;          // the tick played last
    int64_t songPosition_ = 0;  // sixteenth notes, from the last position pointer
};

}  // namespace pattaplex
