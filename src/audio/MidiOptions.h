#pragma once
// What goes out and comes in over MIDI, and which outside clock sets the pace. The main
// thread sets these; the audio thread reads them at the start of each block.

#include <atomic>

#include "Sound.h"

namespace pattaplex {

struct MidiOptions {
    std::atomic<bool> sendNotes{false};
    std::atomic<bool> sendClock{false};
    std::atomic<bool> internalSound{true};  // false: the synthesizer plays no notes
    std::atomic<int> channel{0};            // 1..16, or 0 for the kit's own (10 for drums)
    // Where the pace and the transport come from: our own clock, "midi_in", JACK transport
    // or the Link session.
    std::atomic<SyncSource> sync{SyncSource::Internal};
    std::atomic<bool> timebaseMaster{false};  // JACK transport takes our tempo, metre and bars
    std::atomic<double> latency{0};  // seconds from a block's making to its reaching the speaker
};

}  // namespace pattaplex
