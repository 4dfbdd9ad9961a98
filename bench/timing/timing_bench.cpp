// Timing benchmark of the step clock, run by hand:
//   build/dev/bench/timing/timing_bench [--quick|--live]
// 1. Offline: every preset and a one-row click groove at tempos 40, 100, 160, 240 with one
//    to four steps per beat; onsets found in the rendered audio give the tempo heard and
//    the largest onset error against the ideal grid. Also a ten-minute render for drift,
//    and the render speed as a multiple of real time.
// 2. Live: the real-time path through the file driver at 44.1 and 48 kHz for 30 s while
//    the window's thread stalls for 500 ms every 2 s; the same two figures from the
//    written file, and the beats lost or late by more than 1.5 ms. --live runs only this.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "NoteOutput.h"
#include "NoteSink.h"
#include "OfflineRender.h"
#include "StepClock.h"
#include "SynthEngine.h"
#include "WavFile.h"
#include "defaults.h"
#include "fresh_start.h"
#include "kit_mapping.h"
#include "onsets.h"
#include "presets.h"

using namespace pattaplex;
using namespace pattaplex::bench;

namespace {

constexpr double kRate = kSampleRate;
// Onsets whose attack matches the notes played alone less well than this are drowned by
// the ringing of earlier notes (sustained melodic notes, mostly) and are not counted.
constexpr double kClearMatch = 0.97;
// Each offline render lasts at least this long, for a steady estimate of the tempo heard.
constexpr double kShortestRender = 30.0;

struct Figures {
    double tempoErrorPercent = 0;  // |tempo heard - TEMPO| / TEMPO
    double largestErrorMs = 0;     // largest onset error against the grid
    int onsets = 0, missed = 0;
};

// Least-squares slope of y against x.
double slope(const std::vector<double>& x, const std::vector<double>& y) {
    double mx = 0, my = 0;
    for (size_t i = 0; i < x.size(); ++i) mx += x[i], my += y[i];
    mx /= static_cast<double>(x.size());
    my /= static_cast<double>(y.size());
    double sxy = 0, sxx = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
    }
    return sxx > 0 ? sxy / sxx : 1.0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int64_t stepStart(int64_t k, const GrooveState& s) {
    return k * StepClock::samplesPerMinute(kSampleRate) / (int64_t{s.TEMPO} * s.SUB);
}

using Notes = std::vector<std::pair<int, int>>;  // key, velocity

Notes notesOfStep(const GrooveState& s, int step) {
    Notes notes;
    for (const DrumRow& row : s.rows) {
        const int velocity = row.VOL[static_cast<size_t>(step)];
        if (row.BUF[static_cast<size_t>(step)] != 0 && row.DV != 0 && velocity > 0)
            notes.push_back({row.DR, std::min(velocity, 127)});
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

// The attack of a step's notes rendered alone, one synthesizer per kit.
class Templates {
  public:
    const Attack& of(int kit, const Notes& notes, int rate = kSampleRate) {
        auto key = std::make_pair(kit * 1000000 + rate, notes);
        auto found = shapes_.find(key);
        if (found != shapes_.end()) return found->second;
        auto& engine = engines_[kit * 1000000 + rate];
        if (!engine) {
            engine = std::make_unique<SynthEngine>(rate);
            engine->load();
            channels_[kit] = kitPreset(kit)->channel;
            engine->selectPreset(*kitPreset(kit));
        }
        std::vector<float> left(kLength), right(kLength);
        for (auto [k, v] : notes) send(*engine, channels_[kit], true, k, v);
        engine->render(left.data(), right.data(), kLength);
        for (auto [k, v] : notes) send(*engine, channels_[kit], false, k, v);
        // Let it ring out, ending on a synthesizer block so the next one starts on time.
        std::vector<float> l(kRingOut), r(kRingOut);
        engine->render(l.data(), r.data(), kRingOut);
        return shapes_[key] = attackSignal(left, right);
    }

  private:
    static constexpr int kLength = 1024;
    static constexpr int kRingOut = 64 * 700;
    static void send(SynthEngine& e, int channel, bool on, int key, int velocity) {
        NoteCommand c;
        c.kind = on ? NoteCommand::Kind::NoteOn : NoteCommand::Kind::NoteOff;
        c.channel = static_cast<uint8_t>(channel);
        c.key = static_cast<uint8_t>(key);
        c.velocity = static_cast<uint8_t>(velocity);
        c.time = e.position();
        e.send(c);
    }
    std::map<int, std::unique_ptr<SynthEngine>> engines_;
    std::map<int, int> channels_;
    std::map<std::pair<int, Notes>, Attack> shapes_;
};

Templates templates;

// Onset errors of every sounding step: each step's notes are found where their attack,
// rendered alone, matches best within 6 ms of the ideal time.
Figures measureOffline(const GrooveState& s, const RenderedAudio& audio, int passes) {
    const Attack signal = attackSignal(audio.left, audio.right);
    const int steps = stepCount(s);
    Figures f;
    std::vector<double> ideal, heard;
    for (int64_t k = 0; k < int64_t{passes} * steps; ++k) {
        const Notes notes = notesOfStep(s, static_cast<int>(k % steps));
        if (notes.empty()) continue;
        const int64_t t = stepStart(k, s);
        const Match m = matchNear(signal, templates.of(s.KIT, notes), t, 256);
        if (m.score < kClearMatch) {
            ++f.missed;  // drowned by what still rings from earlier steps
            continue;
        }
        f.largestErrorMs = std::max(f.largestErrorMs, std::fabs(double(m.at - t)) / kRate * 1000);
        ideal.push_back(static_cast<double>(t));
        heard.push_back(static_cast<double>(m.at));
        ++f.onsets;
    }
    if (ideal.size() >= 2) f.tempoErrorPercent = std::fabs(1.0 / slope(ideal, heard) - 1) * 100;
    return f;
}

GrooveState clickGroove() {
    GrooveState s = freshStartState();
    for (DrumRow& row : s.rows) row.BUF.fill(0);
    s.BARS = 1;
    s.BEATS = 4;
    s.row(1).DR = 37;
    s.row(1).BUF.fill(1);
    return s;
}

GrooveState presetGroove(int tag) {
    GrooveState s = freshStartState();
    doPreset(s, tag, [] { return int64_t{20260101}; });
    s.LNG = stepCount(s);
    initVOL(s);
    return s;
}

void offline(bool quick) {
    std::printf("== Offline render: tempo heard and largest onset error ==\n");
    std::printf("%-22s %5s  %12s  %14s  %6s %7s\n", "groove", "TEMPO", "tempo err %",
                "largest err ms", "onsets", "unclear");
    double audioSeconds = 0, wallSeconds = 0;
    Figures worst;
    const std::vector<int> tempos =
        quick ? std::vector<int>{160} : std::vector<int>{40, 100, 160, 240};
    for (int tag = 0; tag <= kPresetCount; ++tag) {
        const std::string name = tag == 0 ? "one-row click" : *presetName(tag);
        for (int tempo : tempos) {
            Figures row;
            for (int sub = 1; sub <= 4; ++sub) {
                GrooveState s = tag == 0 ? clickGroove() : presetGroove(tag);
                s.TEMPO = tempo;
                s.SUB = sub;
                if (stepCount(s) == 0) continue;
                const double passSeconds = stepCount(s) * 60.0 / (tempo * sub);
                const int passes =
                    std::max(2, static_cast<int>(std::ceil(kShortestRender / passSeconds)));
                std::string why;
                const auto start = std::chrono::steady_clock::now();
                const auto audio = renderToMemory(s, passes, why);
                wallSeconds +=
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                if (!audio) {
                    std::printf("%s: %s\n", name.c_str(), why.c_str());
                    continue;
                }
                audioSeconds += static_cast<double>(audio->left.size()) / kRate;
                const Figures f = measureOffline(s, *audio, passes);
                row.tempoErrorPercent = std::max(row.tempoErrorPercent, f.tempoErrorPercent);
                row.largestErrorMs = std::max(row.largestErrorMs, f.largestErrorMs);
                row.onsets += f.onsets;
                row.missed += f.missed;
            }
            std::printf("%-22s %5d  %12.5f  %14.3f  %6d %7d\n", name.c_str(), tempo,
                        row.tempoErrorPercent, row.largestErrorMs, row.onsets, row.missed);
            worst.tempoErrorPercent = std::max(worst.tempoErrorPercent, row.tempoErrorPercent);
            worst.largestErrorMs = std::max(worst.largestErrorMs, row.largestErrorMs);
            worst.onsets += row.onsets;
            worst.missed += row.missed;
        }
    }
    std::printf("ALL (SUB 1..4)               %12.5f  %14.3f  %6d %7d\n", worst.tempoErrorPercent,
                worst.largestErrorMs, worst.onsets, worst.missed);
    std::printf("render speed: %.0f x real time (%.0f s of audio in %.2f s)\n",
                audioSeconds / wallSeconds, audioSeconds, wallSeconds);

    // Drift: ten minutes of the click groove at 160 BPM, two steps a beat.
    GrooveState s = clickGroove();
    s.TEMPO = 160;
    s.SUB = 2;
    const int steps = stepCount(s);
    const int passes = static_cast<int>(600.0 * 160 * 2 / 60 / steps);
    std::string why;
    const auto audio = renderToMemory(s, passes, why);
    if (!audio) return;
    const Attack signal = attackSignal(audio->left, audio->right);
    const auto& shape = templates.of(s.KIT, notesOfStep(s, 0));
    const int64_t last = int64_t{passes} * steps - 1;
    const Match first = matchNear(signal, shape, 0, 256);
    const Match end = matchNear(signal, shape, stepStart(last, s), 256);
    std::printf("drift over %.1f min (160 BPM, SUB 2): first onset %+.3f ms, last %+.3f ms\n",
                static_cast<double>(stepStart(last, s)) / kRate / 60, first.at / kRate * 1000,
                static_cast<double>(end.at - stepStart(last, s)) / kRate * 1000);
}

// The window's thread pumps every 10 ms, as the window's timer does, and stalls
// `stallMs` every `everyMs`; the file driver plays at `rate`.
void live(double seconds, int tempo, int sub, int rate, int stallMs, int everyMs) {
    const std::string path = "/tmp/pattaplex_timing_live.wav";
    setenv("PATTAPLEX_AUDIO_DRIVER", "file", 1);
    setenv("PATTAPLEX_AUDIO_FILE", path.c_str(), 1);
    setenv("PATTAPLEX_AUDIO_RATE", std::to_string(rate).c_str(), 1);
    GrooveState s = clickGroove();
    s.TEMPO = tempo;
    s.SUB = sub;
    int64_t played = 0;  // steps the clock played before the stop
    {
        NoteOutput output(s);
        if (!output.initQT(s.KIT)) {
            std::printf("live: cannot open the file driver\n");
            return;
        }
        using clock = std::chrono::steady_clock;
        const auto start = clock::now();
        auto nextStall = start + std::chrono::milliseconds(everyMs);
        output.startClock();
        while (clock::now() - start < std::chrono::duration<double>(seconds)) {
            output.pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (clock::now() >= nextStall) {
                std::this_thread::sleep_for(std::chrono::milliseconds(stallMs));  // a busy window
                nextStall += std::chrono::milliseconds(everyMs);
            }
        }
        played = output.engine().report().stepsPlayed;
        output.stopClock();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    unsetenv("PATTAPLEX_AUDIO_RATE");
    const auto wav = readWav16(path);
    if (!wav) {
        std::printf("live: cannot read %s\n", path.c_str());
        return;
    }
    std::vector<float> left, right;
    for (size_t i = 0; i + 1 < wav->first.size(); i += 2) {
        left.push_back(wav->first[i] / 32768.0f);
        right.push_back(wav->first[i + 1] / 32768.0f);
    }
    const Attack signal = attackSignal(left, right);
    const double step = static_cast<double>(StepClock::samplesPerMinute(rate)) / (tempo * sub);
    const auto rough = roughOnsets(signal.diff, 2e-3f, static_cast<int64_t>(step / 2));
    if (rough.empty()) {
        std::printf("live: no onsets\n");
        return;
    }
    const auto& shape = templates.of(s.KIT, notesOfStep(s, 0), rate);
    const Match first = matchNear(signal, shape, rough[0], 1024);
    std::vector<double> ideal, heard, errors;
    int missed = 0;
    const auto length = static_cast<double>(signal.diff.size());
    for (int64_t k = 0; k < played && first.at + k * step + 2048 < length; ++k) {
        const double t = static_cast<double>(first.at) + static_cast<double>(k) * step;
        const Match m = matchNear(signal, shape, std::llround(t), 1024);
        if (m.score < kClearMatch) {
            ++missed;
            continue;
        }
        ideal.push_back(t);
        heard.push_back(static_cast<double>(m.at));
        errors.push_back(static_cast<double>(m.at) - t);
    }
    if (ideal.size() < 3) {
        std::printf("live: too few onsets\n");
        return;
    }
    // The grid's origin is where the start happened to fall: the median error.
    const double origin = median(errors);
    double largest = 0;
    int late = 0;
    for (double e : errors) {
        largest = std::max(largest, std::fabs(e - origin));
        late += std::fabs(e - origin) / rate * 1000 > 1.5;
    }
    std::printf(
        "live %6d Hz %3d BPM SUB %d, %.0f s, stalls of %d ms every %d ms: tempo err %.5f %%, "
        "largest onset error %.3f ms, %zu onsets, %d lost, %d late (> 1.5 ms)\n",
        rate, tempo, sub, seconds, stallMs, everyMs, std::fabs(1.0 / slope(ideal, heard) - 1) * 100,
        largest / rate * 1000, ideal.size(), missed, late);
}

}  // namespace

// How long the window waits for its first initQT: loading the soundfonts and, with the
// file driver, starting the device.
void startupTime(const char* driver) {
    setenv("PATTAPLEX_AUDIO_DRIVER", driver, 1);
    setenv("PATTAPLEX_AUDIO_FILE", "/tmp/pattaplex_timing_start.wav", 1);
    GrooveState s = freshStartState();
    const auto start = std::chrono::steady_clock::now();
    NoteOutput output(s);
    const bool opened = output.initQT(s.KIT);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("first initQT (driver %s): %.1f ms%s\n", driver, ms, opened ? "" : " (failed)");
    for (int kit : {1, 16441, 20}) {  // the kit loads on a worker
        const auto again = std::chrono::steady_clock::now();
        output.initQT(kit);
        std::printf(
            "  then initQT(%d): %.1f ms\n", kit,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - again)
                .count());
    }
}

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const bool liveOnly = argc > 1 && std::strcmp(argv[1], "--live") == 0;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures show up as they come
    if (!liveOnly) {
        startupTime("none");
        startupTime("file");
        offline(quick);
    }
    std::printf("\n== Live: file driver, the window's thread stalled ==\n");
    for (int rate : {44100, 48000}) {
        live(quick ? 6 : 30, 160, 2, rate, 500, 2000);
        if (!quick) live(30, 240, 4, rate, 500, 2000);
    }
    return 0;
}
