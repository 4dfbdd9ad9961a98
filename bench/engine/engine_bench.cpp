// Figures of the sound engine, run by hand on a quiet machine with a release build:
//   build/release/bench/engine/engine_bench [minutes]
// 1. The audio callback's longest run while the kit changes every 200 ms during
//    playback: a thread renders 128-frame periods in real time, as a sound card would
//    call it, while the main thread asks for another kit every 200 ms for 10 s.
// 2. Render speed as a ratio to FluidSynth's own file render (the fluidsynth program,
//    `fluidsynth -F`) of the same notes with the same soundfonts, one after the other in
//    one run, both as child processes; and the peak memory of `pattaplex-cli render` at
//    1 and 200 passes and for `minutes` (default 20) of Funk.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "GrooveSnapshot.h"
#include "SynthEngine.h"
#include "defaults.h"
#include "fresh_start.h"
#include "groove_files.h"
#include "kit_mapping.h"
#include "names.h"
#include "presets.h"

extern char** environ;

using namespace pattaplex;
using Clock = std::chrono::steady_clock;

namespace {

void kitSwitching() {
    GrooveState s = freshStartState();
    doPreset(s, 4, [] { return int64_t{7}; });
    initVOL(s);
    SynthEngine engine;
    if (auto error = engine.load()) {
        std::printf("kit switching: %s\n", error->c_str());
        return;
    }
    engine.selectPreset(*kitPreset(s.KIT));
    engine.publish(GrooveSnapshot::of(s));
    NoteCommand start;
    start.kind = NoteCommand::Kind::Start;
    engine.send(start);
    constexpr int kPeriod = 128;
    std::atomic<bool> stop{false};
    std::vector<double> runs;
    runs.reserve(200000);
    std::thread audio([&] {
        std::vector<float> left(kPeriod), right(kPeriod);
        const auto period = std::chrono::nanoseconds(1'000'000'000LL * kPeriod / engine.rate());
        auto due = Clock::now();
        while (!stop) {
            const auto before = Clock::now();
            engine.render(left.data(), right.data(), kPeriod);
            runs.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - before).count());
            due += period;
            std::this_thread::sleep_until(due);
        }
    });
    int switches = 0;
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        engine.requestPreset(
            *kitPreset(kKitNames[static_cast<size_t>(switches++) % kKitNames.size()].kit));
        engine.collect();
    }
    stop = true;
    audio.join();
    // Then stopped: once the last notes have died away the synthesizer is not run.
    NoteCommand halt;
    halt.kind = NoteCommand::Kind::Stop;
    engine.send(halt);
    std::vector<float> left(kPeriod), right(kPeriod);
    for (int k = 0; k < 44100 * 10 / kPeriod; ++k)
        engine.render(left.data(), right.data(), kPeriod);
    const auto quietStart = Clock::now();
    constexpr int kQuietCalls = 20000;
    for (int k = 0; k < kQuietCalls; ++k) engine.render(left.data(), right.data(), kPeriod);
    const double quietUs =
        std::chrono::duration<double, std::micro>(Clock::now() - quietStart).count() / kQuietCalls;
    std::sort(runs.begin(), runs.end());
    double sum = 0;
    for (double r : runs) sum += r;
    std::printf(
        "audio callback (128 frames = %.0f us) with the kit changing every 200 ms (%d changes): "
        "longest %.0f us, 99.9th percentile %.0f us, mean %.1f us over %zu calls\n",
        kPeriod * 1e6 / engine.rate(), switches, runs.back(), runs[runs.size() * 999 / 1000],
        sum / static_cast<double>(runs.size()), runs.size());
    const double periodUs = kPeriod * 1e6 / engine.rate();
    std::printf(
        "audio callback playing Funk: %.2f %% of a core; stopped and silent: %.2f us a call, "
        "%.3f %% of a core\n",
        sum / static_cast<double>(runs.size()) / periodUs * 100, quietUs, quietUs / periodUs * 100);
}

struct ChildRun {
    double seconds = -1;
    long peakKb = 0;
};

ChildRun run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const auto start = Clock::now();
    ChildRun result;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return result;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return result;
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.peakKb = usage.ru_maxrss;
    return result;
}

void put16(std::string& out, int v) {
    out += static_cast<char>(v >> 8), out += static_cast<char>(v & 0xff);
}
void put32(std::string& out, uint32_t v) {
    put16(out, static_cast<int>(v >> 16)), put16(out, static_cast<int>(v & 0xffff));
}
void putVariable(std::string& out, uint64_t v) {
    std::string bytes(1, static_cast<char>(v & 0x7f));
    while (v >>= 7) bytes.insert(bytes.begin(), static_cast<char>(0x80 | (v & 0x7f)));
    out += bytes;
}

// The notes the step clock plays for `passes` passes, as a one-track MIDI file whose
// tick is one sample at 44.1 kHz (22050 ticks to a quarter note of half a second).
void writeMidi(const GrooveState& s, int passes, const std::string& path) {
    const GrooveSnapshot g = GrooveSnapshot::of(s);
    const KitPreset preset = *kitPreset(s.KIT);
    struct Event {
        int64_t time;
        int order;  // note-offs before note-ons at the same time
        std::string bytes;
    };
    std::vector<Event> events;
    const int ch = preset.channel;
    events.push_back({0, 0, {char(0xb0 | ch), 0, char(preset.bank == 128 ? 120 : preset.bank)}});
    events.push_back({0, 0, {char(0xc0 | ch), char(preset.program)}});
    const int64_t perMinute = int64_t{kSampleRate} * 60;
    const int64_t divisor = int64_t{std::max(g.tempo, 40)} * g.sub;
    int64_t time = 0, remainder = 0;
    for (int k = 0; k < passes * g.steps; ++k) {
        const int step = k % g.steps;
        const int64_t total = perMinute + remainder;
        remainder = total % divisor;
        const int64_t length = total / divisor;
        for (const auto& row : g.rows) {
            const int v = row.vel[static_cast<size_t>(step)];
            if (row.on[static_cast<size_t>(step)] == 0 || row.volume == 0 || v <= 0) continue;
            events.push_back({time, 1, {char(0x90 | ch), char(row.note), char(std::min(v, 127))}});
            events.push_back({time + length, 0, {char(0x80 | ch), char(row.note), 0}});
        }
        time += length;
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.time != b.time ? a.time < b.time : a.order < b.order;
    });
    std::string track;
    putVariable(track, 0);
    track += "\xff\x51\x03\x07\xa1\x20";  // 500000 us a quarter note
    int64_t last = 0;
    for (const Event& e : events) {
        putVariable(track, static_cast<uint64_t>(e.time - last));
        track += e.bytes;
        last = e.time;
    }
    putVariable(track, 0);
    track += std::string("\xff\x2f\x00", 3);
    std::string file = "MThd";
    put32(file, 6), put16(file, 0), put16(file, 1), put16(file, 22050);
    file += "MTrk";
    put32(file, static_cast<uint32_t>(track.size()));
    file += track;
    std::ofstream(path, std::ios::binary) << file;
}

void renders(double minutes) {
    const std::string cli = PATTAPLEX_CLI;
    const std::string grv = "/tmp/pattaplex_bench_funk.grv";
    if (run({cli, "preset", "Funk", grv}).seconds < 0) {
        std::printf("renders: cannot write the Funk groove with %s\n", cli.c_str());
        return;
    }
    const auto data = readGroove(grv);
    if (!data) {
        std::printf("renders: %s\n", data.error().c_str());
        return;
    }
    GrooveState s = freshStartState();
    applyGroove(s, *data);
    const double passSeconds = stepCount(s) * 60.0 / (s.TEMPO * s.SUB);
    const int longPasses = static_cast<int>(minutes * 60 / passSeconds + 0.5);
    std::printf("Funk: %d steps at %d BPM, %.2f s a pass\n", stepCount(s), s.TEMPO, passSeconds);

    const std::string mid = "/tmp/pattaplex_bench_funk.mid";
    const std::string ours = "/tmp/pattaplex_bench_ours.wav";
    const std::string theirs = "/tmp/pattaplex_bench_fluidsynth.wav";
    for (int passes : {1, 200, longPasses}) {
        writeMidi(s, passes, mid);
        const ChildRun a = run({cli, "render", grv, ours, "--loops", std::to_string(passes)});
        const ChildRun b =
            run({"fluidsynth", "-ni", "-q", "-r", "44100", "-F", theirs, "-T", "wav", "-O", "s16",
                 SynthEngine::soundfonts().at(0), SynthEngine::soundfonts().at(1), mid});
        std::printf(
            "%5d passes (%6.1f s of audio): pattaplex-cli render %.2f s, peak %.1f MB; "
            "fluidsynth -F %.2f s, peak %.1f MB; speed ratio %.2f\n",
            passes, passes * passSeconds, a.seconds, a.peakKb / 1024.0, b.seconds,
            b.peakKb / 1024.0, a.seconds > 0 ? b.seconds / a.seconds : 0.0);
    }
    std::remove(ours.c_str());
    std::remove(theirs.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const double minutes = argc > 1 ? std::atof(argv[1]) : 20.0;
    // Renders first: a child's peak memory counts from this process's size when started.
    renders(minutes > 0 ? minutes : 20.0);
    kitSwitching();
    return 0;
}
