#pragma once
// A Link session: tempo, beat phase and start and stop shared with the peers on the local
// network. The main thread joins and leaves, asks for a tempo, a start or a stop; the
// audio thread reads the session once a block and carries out what was asked there, as the
// session is best changed where the sound is made. The only file that sees Link's headers
// is LinkSession.cpp (they take long to compile).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "SyncTimeline.h"

namespace pattaplex {

class LinkSession {
  public:
    explicit LinkSession(double tempo = 120);
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // Main thread. Joining shares start and stop as well as tempo and phase.
    void enable(bool on);
    bool enabled() const;
    std::size_t peers() const;
    // The session's tempo and transport as they stand now.
    double tempo() const;
    bool playing() const;
    // Carried out by the audio thread at its next block.
    void requestTempo(double bpm);
    void requestPlaying(bool playing);

    // Link's clock (the raw monotonic clock), in microseconds.
    static int64_t hostMicros();

    // What the audio thread reads of the session for one block.
    struct Block {
        BeatLine line;           // the session's beats against host time, for the quantum asked
        double tempo = 120;      // the session's tempo as shown
        double heardMicros = 0;  // host time the block's first sample reaches the speaker
        bool playing = false;    // the session's transport
        double startMicros = 0;  // host time its last start or stop took effect
    };
    // Audio thread, once a block: the block beginning at sample `sampleTime`, heard
    // `latency` seconds after it is made, with bars of `quantum` beats. Never locks, waits
    // or allocates.
    Block capture(int64_t sampleTime, int rate, double latency, double quantum);
    // Audio thread, before a capture: playback that goes on into the session. Unless the
    // session plays already, it starts with beat `beat` (of the quantum the capture asks
    // for) where sample `sample` is heard: at once alone, in phase among peers.
    void startAt(double beat, int64_t sample) {
        anchorBeat_ = beat;
        anchorSample_ = sample;
        anchored_ = true;
    }
    // Audio thread, once a block while playback does not follow the session: keeps the
    // fit of sample time to host time up, so that a switch to the session lands each step
    // where it would have sounded.
    void track(int64_t sampleTime, int rate);
    // Audio thread: the host time sample `sample` reaches the speaker, as the last block
    // reckoned it.
    double heardMicros(int64_t sample) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::atomic<double> requestedTempo_{0};  // 0: none
    std::atomic<int> requestedPlaying_{-1};  // -1: none, else 0 or 1
    // Audio thread: the last block's first sample, when it is heard, and the rate.
    int64_t lastStart_ = 0;
    double lastHeard_ = 0;
    int lastRate_ = 1;
    bool anchored_ = false;
    double anchorBeat_ = 0;
    int64_t anchorSample_ = 0;
};

}  // namespace pattaplex
