#include "LinkSession.h"

#include <ableton/Link.hpp>
#include <ableton/link/HostTimeFilter.hpp>
#include <chrono>

namespace pattaplex {

using std::chrono::microseconds;

struct LinkSession::Impl {
    explicit Impl(double tempo) : link(tempo) {}
    ableton::Link link;
    // Host times of the blocks' sample times, smoothed over the last few hundred blocks
    // (a callback's own time wobbles with the scheduler).
    ableton::link::HostTimeFilter<ableton::Link::Clock> filter;
    // A young fit's slope is wild (two points a few milliseconds apart set it), and a step
    // placed through it lands milliseconds astray. Until enough points are in, the sample
    // clock is taken at its nominal rate, offset by the mean of the points so far.
    static constexpr int kYoung = 128;
    int points = 0;
    double offsetSum = 0;
    int rate = 0;
    bool wasPlaying = false;

    void restart() {
        filter.reset();
        points = 0;
        offsetSum = 0;
    }
    // Host time, in microseconds, at which sample `sampleTime` was made.
    microseconds made(int64_t sampleTime) {
        const microseconds fitted = filter.sampleTimeToHostTime(static_cast<double>(sampleTime));
        if (points >= kYoung) return fitted;
        const double nominal = static_cast<double>(sampleTime) * 1e6 / rate;
        offsetSum += static_cast<double>(link.clock().micros().count()) - nominal;
        ++points;
        return microseconds(std::llround(nominal + offsetSum / points));
    }
    // Host time of sample `sampleTime`, fitted afresh when the device's clock jumped.
    microseconds madeFresh(int64_t sampleTime, int sampleRate) {
        if (sampleRate != rate) {
            restart();
            rate = sampleRate > 0 ? sampleRate : 1;
        }
        microseconds at = made(sampleTime);
        // A device opened afresh (or a long stall) puts the sample clock out of step with
        // the host's: start the fit again rather than let old points bend it for seconds.
        if (std::chrono::abs(at - link.clock().micros()) > std::chrono::milliseconds(50)) {
            restart();
            at = made(sampleTime);
        }
        return at;
    }
};

LinkSession::LinkSession(double tempo) : impl_(std::make_unique<Impl>(tempo)) {}

LinkSession::~LinkSession() {
    impl_->link.enable(false);
}

void LinkSession::enable(bool on) {
    impl_->link.enableStartStopSync(on);
    impl_->link.enable(on);
}

bool LinkSession::enabled() const {
    return impl_->link.isEnabled();
}

std::size_t LinkSession::peers() const {
    return impl_->link.numPeers();
}

double LinkSession::tempo() const {
    return impl_->link.captureAppSessionState().tempo();
}

bool LinkSession::playing() const {
    return impl_->link.captureAppSessionState().isPlaying();
}

void LinkSession::requestTempo(double bpm) {
    if (bpm > 0) requestedTempo_.store(bpm);
}

void LinkSession::requestPlaying(bool playing) {
    requestedPlaying_.store(playing ? 1 : 0);
}

int64_t LinkSession::hostMicros() {
    return ableton::Link::Clock{}.micros().count();
}

LinkSession::Block LinkSession::capture(int64_t sampleTime, int rate, double latency,
                                        double quantum) {
    Impl& d = *impl_;
    Block b;
    const microseconds heard =
        d.madeFresh(sampleTime, rate) + microseconds(std::llround(latency * 1e6));
    b.heardMicros = static_cast<double>(heard.count());
    lastStart_ = sampleTime;
    lastHeard_ = b.heardMicros;
    lastRate_ = rate > 0 ? rate : 1;

    auto state = d.link.captureAudioSessionState();
    bool changed = false;
    if (const double bpm = requestedTempo_.exchange(0); bpm > 0) {
        state.setTempo(bpm, heard);
        changed = true;
    }
    if (const int play = requestedPlaying_.exchange(-1);
        play >= 0 && (play == 1) != state.isPlaying()) {
        // Alone, a start plays at once; among peers, at the next bar line.
        if (play == 1)
            state.setIsPlayingAndRequestBeatAtTime(true, heard, 0, quantum);
        else
            state.setIsPlaying(false, heard);
        changed = true;
    }
    if (anchored_ && !state.isPlaying()) {
        const microseconds at =
            heard + microseconds(std::llround(static_cast<double>(anchorSample_ - sampleTime) *
                                              1e6 / lastRate_));
        state.setIsPlayingAndRequestBeatAtTime(true, at, anchorBeat_, quantum);
        d.wasPlaying = true;  // the beat is placed
        changed = true;
    }
    anchored_ = false;
    if (state.isPlaying() && !d.wasPlaying) {
        // A peer's start too: our beat 0 on the first bar line at or after it.
        state.requestBeatAtStartPlayingTime(0, quantum);
        changed = true;
    }
    d.wasPlaying = state.isPlaying();
    if (changed) d.link.commitAudioSessionState(state);

    // The timeline is straight within a captured state: two points give it exactly, its
    // slope included (which drift compensation sets a hair off the tempo shown).
    const double now = state.beatAtTime(heard, quantum);
    const double later = state.beatAtTime(heard + std::chrono::seconds(1), quantum);
    b.line = {now, b.heardMicros, later > now ? (later - now) * 60 : state.tempo()};
    b.tempo = state.tempo();
    b.playing = state.isPlaying();
    b.startMicros = static_cast<double>(state.timeForIsPlaying().count());
    return b;
}

void LinkSession::track(int64_t sampleTime, int rate) {
    impl_->madeFresh(sampleTime, rate);
}

double LinkSession::heardMicros(int64_t sample) const {
    return lastHeard_ + static_cast<double>(sample - lastStart_) * 1e6 / lastRate_;
}

}  // namespace pattaplex
