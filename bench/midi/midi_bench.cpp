// MIDI benchmark, run by hand (needs jackd; starts and stops its own dummy server):
//   build/dev/bench/midi/midi_bench [--quick]
// 1. MIDI to audio, live through JACK at 48 kHz: a groove of hi-hats for 20 s (5 with
//    --quick); for each note-on on "Pattaplex:midi_out", the offset of its sound's attack
//    in the same cycles' audio. Prints the worst offset in frames.
// 2. Clock out over five minutes of samples at 48 kHz and tempos 40, 137, 240: the tempo
//    of the ticks sent against the tempo asked for, and the worst tick's distance from its
//    exact place. The ticks' frames are the ones JACK sends; the engine is run as the
//    process callback runs it, without waiting for real time.
// 3. Clock in: an outside clock at 100 BPM, then 140, into the engine as JACK hands it in:
//    the followed tempo's worst error after two beats, the time after the change until it
//    stays within 0.5 BPM of 140, and the worst distance of a step from its tick.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <tuple>
#include <vector>

#include "NoteOutput.h"
#include "SynthEngine.h"
#include "fresh_start.h"
#include "jack_fixture.h"

namespace {

using namespace pattaplex;

constexpr int kRate = 48000;
constexpr int kPeriod = 256;

GrooveState hats(int tempo, int sub) {
    GrooveState s = freshStartState();
    std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(1, 4, sub, tempo);
    for (DrumRow& row : s.rows) row.BUF.fill(0);
    s.rows[0].DR = 42;
    s.rows[0].VOL.fill(90);
    for (int step = 0; step < 4 * sub; step += 2) s.rows[0].BUF[static_cast<size_t>(step)] = 1;
    return s;
}

void midiToAudio(double seconds) {
    setenv("PATTAPLEX_AUDIO_DRIVER", "jack", 1);
    testing::JackServer server(kRate);
    if (!server.up()) {
        std::puts("MIDI to audio: no JACK server could be started (is jackd installed?)");
        return;
    }
    GrooveState s = hats(137, 4);
    NoteOutput output(s);
    output.setMidi({.sendNotes = true});
    if (!output.initQT(s.KIT)) {
        std::puts("MIDI to audio: the note output did not open");
        return;
    }
    testing::JackRecorder recorder(static_cast<int>(seconds) + 5);
    recorder.record(kRate / 2);
    output.startClock();
    recorder.record(static_cast<int64_t>(seconds * kRate));
    output.stopClock();
    recorder.record(2048);
    recorder.close();
    const std::vector<float> attack = testing::attackOf(s.KIT, 42, 90, kRate);
    int hits = 0, worst = 0;
    for (const testing::MidiMessage& m : recorder.messages()) {
        if ((m.bytes[0] & 0xF0) != 0x90) continue;
        ++hits;
        worst = std::max(worst, std::abs(testing::attackOffset(recorder, m.frame, attack)));
    }
    std::printf("MIDI to audio (JACK, 48 kHz, %d hits over %.0f s): worst offset %d frames\n", hits,
                seconds, worst);
}

// The engine rendered a period at a time, its block events collected.
struct Engine {
    explicit Engine(const GrooveState& s) {
        engine.midiOptions().sendClock.store(true);
        engine.publish(GrooveSnapshot::of(s));
    }
    template <typename Each>
    void run(int64_t frames, Each each) {
        for (int64_t done = 0; done < frames; done += kPeriod) {
            const int64_t start = engine.position();
            engine.render(nullptr, nullptr, kPeriod);
            for (const TimedEvent& e : engine.blockEvents()) each(e, start + e.frame);
        }
    }
    SynthEngine engine{kRate};
};

void clockOut(double minutes) {
    for (int tempo : {40, 137, 240}) {
        Engine e(hats(tempo, 4));
        e.engine.send({.kind = NoteCommand::Kind::Start});
        std::vector<int64_t> ticks;
        e.run(static_cast<int64_t>(minutes * 60 * kRate), [&](const TimedEvent& ev, int64_t at) {
            if (ev.kind == TimedEvent::Kind::Clock) ticks.push_back(at);
        });
        const double exact = kRate * 60.0 / (tempo * 24.0);
        double worst = 0;
        for (size_t i = 0; i < ticks.size(); ++i)
            worst = std::max(worst, std::fabs(static_cast<double>(ticks[i] - ticks[0]) -
                                              static_cast<double>(i) * exact));
        const double heard = kRate * 60.0 * static_cast<double>(ticks.size() - 1) /
                             (24.0 * static_cast<double>(ticks.back() - ticks.front()));
        std::printf(
            "clock out at %3d BPM over %.0f min: %zu ticks, tempo %.6f (error %.2g "
            "BPM), worst tick %.2f frames from its place\n",
            tempo, minutes, ticks.size(), heard, heard - tempo, worst);
    }
}

void clockIn() {
    Engine e(hats(120, 4));
    e.engine.midiOptions().sync.store(SyncSource::MidiClock);
    e.engine.midiOptions().sendClock.store(false);
    double nextTick = 0;
    double bpm = 100;
    int64_t ticksSent = 0, changeAt = -1, settledAt = -1;
    double worstSteady = 0;
    int64_t worstStep = 0;
    int notes = 0;
    std::vector<int64_t> stepTicks;  // every sixth tick after the start begins a step
    const uint8_t start = 0xFA, tick = 0xF8;
    const int64_t total = 12 * kRate;
    for (int64_t at = 0; at < total; at += kPeriod) {
        const bool starting = at >= kRate / 2 && at - kPeriod < kRate / 2;
        if (starting) e.engine.receiveMidi(0, &start, 1);
        if (changeAt < 0 && at >= 6 * kRate) {
            bpm = 140;
            changeAt = static_cast<int64_t>(nextTick);
        }
        for (; nextTick < static_cast<double>(at + kPeriod);
             nextTick += kRate * 60.0 / (bpm * 24)) {
            const int64_t t = static_cast<int64_t>(nextTick);
            e.engine.receiveMidi(static_cast<int>(t - at), &tick, 1);
            if (at >= kRate / 2 && ticksSent++ % 6 == 0) stepTicks.push_back(t);
        }
        e.run(kPeriod, [&](const TimedEvent& ev, int64_t when) {
            if (ev.kind != TimedEvent::Kind::NoteOn) return;
            ++notes;
            // The nearest tick that begins a step.
            auto it = std::lower_bound(stepTicks.begin(), stepTicks.end(), when);
            int64_t d = std::numeric_limits<int64_t>::max();
            if (it != stepTicks.end()) d = std::min<int64_t>(d, std::llabs(*it - when));
            if (it != stepTicks.begin()) d = std::min<int64_t>(d, std::llabs(*(it - 1) - when));
            worstStep = std::max(worstStep, d);
        });
        const double followed = e.engine.report().followedTempo;
        const int64_t now = at + kPeriod;
        if (changeAt < 0 && now > kRate / 2 + 2 * kRate * 60 / 100)
            worstSteady = std::max(worstSteady, std::fabs(followed - 100));
        if (changeAt >= 0 && now > changeAt) {
            if (std::fabs(followed - 140) > 0.5)
                settledAt = -1;
            else if (settledAt < 0)
                settledAt = now;
        }
    }
    std::printf(
        "clock in: followed 100 BPM within %.3f BPM after two beats; after the change "
        "to 140, within 0.5 BPM in %.1f ms (a beat is %.1f ms); steps at most %lld "
        "frames from their tick over %d notes (notes fall on the synthesizer's 64-frame "
        "grid)\n",
        worstSteady, 1000.0 * static_cast<double>(settledAt - changeAt) / kRate, 60000.0 / 140,
        static_cast<long long>(worstStep), notes);
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    clockOut(quick ? 1 : 5);
    clockIn();
    midiToAudio(quick ? 5 : 20);
    return 0;
}
