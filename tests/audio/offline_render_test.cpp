// Rendering grooves offline: notes sound where the grid puts them at any rate and nowhere
// else, every note a step starts is stopped, and files are replaced only when complete.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "GrooveSnapshot.h"
#include "OfflineRender.h"
#include "SynthEngine.h"
#include "WavFile.h"
#include "defaults.h"
#include "fresh_start.h"
#include "kit_mapping.h"
#include "private_mount.h"

namespace pattaplex {
namespace {

constexpr float kSilent = 1.0f / 32768;
// Where a note counts as heard: well above the faint first samples of its attack, which
// vary with where the synthesizer starts the voice.
constexpr float kHeard = 1.0f / 1000;

float peak(const RenderedAudio& a, size_t from, size_t to) {
    float p = 0;
    for (size_t i = from; i < std::min(to, a.left.size()); ++i)
        p = std::max({p, std::fabs(a.left[i]), std::fabs(a.right[i])});
    return p;
}

size_t firstAbove(const RenderedAudio& a, size_t from, float level) {
    while (from < a.left.size() && peak(a, from, from + 1) <= level) ++from;
    return from;
}

// A fresh program's groove with one side stick on `step` of four, at one second a step.
GrooveState oneNote(int step) {
    GrooveState s = freshStartState();
    std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(1, 4, 1, 60);
    for (DrumRow& row : s.rows) row.BUF.fill(0);
    s.row(2).BUF[static_cast<size_t>(step)] = 37;
    return s;
}

TEST(OfflineRender, AOneNoteGrooveSoundsOnItsStepAndIsSilentElsewhereAtEveryRate) {
    for (size_t rate : {44100u, 48000u, 22050u, 192000u}) {
        SCOPED_TRACE(rate);
        std::string why;
        const auto a = renderToMemory(oneNote(2), 2, why, static_cast<int>(rate));
        ASSERT_TRUE(a) << why;
        EXPECT_EQ(a->passesEnd, 8 * rate);
        ASSERT_GT(a->left.size(), a->passesEnd);  // the release tail follows
        std::vector<size_t> heard;
        for (size_t start : {size_t{0}, 4 * rate}) {
            heard.push_back(firstAbove(*a, start, kHeard));
            EXPECT_GT(peak(*a, heard.back(), heard.back() + rate / 10), 0.02f);
            EXPECT_LT(peak(*a, heard.back() + 3 * rate / 2, start + 4 * rate), kSilent);
        }
        // The side stick's recording starts with a few quiet samples (measured on a note
        // at sample 0); notes start on the synthesizer's 64-sample blocks.
        const auto atZero = renderToMemory(oneNote(0), 1, why, static_cast<int>(rate));
        const size_t lead = firstAbove(*atZero, 0, kHeard);
        ASSERT_LT(lead, rate / 200);
        EXPECT_NEAR(static_cast<double>(heard[0]), 2 * rate + lead, 32);
        EXPECT_NEAR(static_cast<double>(heard[1]), 6 * rate + lead, 32);
        EXPECT_LT(peak(*a, a->left.size() - rate / 10, a->left.size()), kSilent);
    }
    GrooveState refused = oneNote(2);
    refused.KIT = 0;
    std::string why;
    EXPECT_FALSE(renderToMemory(refused, 1, why));
    EXPECT_NE(why.find('0'), std::string::npos);
}

// Written as WAV or FLAC, beside the target and renamed into place: a cancelled or failed
// render leaves the old file as it was and nothing else.
TEST(OfflineRender, FilesAreReplacedOnlyByACompleteRender) {
    namespace fs = std::filesystem;
    std::string dir = testing::TempDir() + "pattaplex-render-XXXXXX";  // private to this run
    ASSERT_TRUE(mkdtemp(dir.data()));
    std::string why;
    const auto reference = renderToMemory(oneNote(1), 1, why, 48000);
    ASSERT_TRUE(reference);
    const size_t loud = firstAbove(*reference, 0, 0.02f);
    std::vector<double> told;
    RenderOptions o{.passes = 1, .rate = 48000, .progress = [&](double f) { told.push_back(f); }};
    for (const char* name : {"/out.wav", "/out.flac"}) {
        RenderResult lengths;
        ASSERT_FALSE(renderToFile(oneNote(1), dir + name, o, &lengths));
        EXPECT_EQ(lengths.passesEnd, 4 * 48000);
        const auto file = readWav16(dir + name);
        ASSERT_TRUE(file && file->second == 48000) << name;
        ASSERT_EQ(file->first.size(), 2 * reference->left.size());
        EXPECT_EQ(lengths.length, static_cast<int64_t>(reference->left.size()));
        EXPECT_NEAR(file->first[2 * loud + 1], reference->right[loud] * 32768, 1.0);
    }
    EXPECT_TRUE(told.size() > 2 && told.back() == 1.0);
    EXPECT_EQ(std::ifstream(dir + "/out.flac").rdbuf()->sgetc(), 'f');  // "fLaC"

    // Cancelled half-way or at the last moment before the replace (all rendered), on a
    // disk that fills up, or at a rate out of range: the old file stays, and nothing else.
    const auto old = fs::file_size(dir + "/out.wav");
    for (const double at : {0.3, 1.0}) {
        std::atomic<bool> cancel{false};
        o = {.passes = 3, .progress = [&](double f) { cancel = f >= at; }, .cancel = &cancel};
        EXPECT_EQ(renderToFile(oneNote(1), dir + "/out.wav", o), "cancelled") << at;
    }
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{4000, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    for (const char* name : {"/out.wav", "/out.flac"})  // the system's reason, in both forms
        EXPECT_EQ(renderToFile(oneNote(1), dir + name, {.passes = 20, .progress = {}}),
                  "cannot write " + dir + name + ": File too large");
    setrlimit(RLIMIT_FSIZE, &limit);
    for (int rate : {22049, 192001})
        EXPECT_TRUE(renderToFile(oneNote(1), dir + "/out.wav", {.rate = rate, .progress = {}}))
            << rate;
    EXPECT_EQ(fs::file_size(dir + "/out.wav"), old);
    EXPECT_EQ(std::ifstream(dir + "/out.flac").rdbuf()->sgetc(), 'f');
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2);
    fs::remove_all(dir);
}

TEST(SoundFile, OnAFullOrReadOnlyFileSystemGivesTheSystemsOwnReason) {
    namespace fs = std::filesystem;
    std::string dir = testing::TempDir() + "pattaplex-render-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir.data()));
    const std::optional<std::string> said = test::withSmallFileSystem(dir, 16, [&] {
        const auto render = [&](const char* name) {
            return renderToFile(oneNote(1), dir + name, {.passes = 20, .progress = {}})
                       .value_or("written") +
                   "\n";
        };
        // Filling up as it is written, and full from the start.
        std::string out = render("/out.flac");
        out += render("/out.wav");
        std::ofstream(dir + "/filler") << std::string(16 * 1024, 'x');
        out += render("/out.flac");
        fs::remove(dir + "/filler");
        out += test::namesIn(dir) + "\n";
        if (!test::makeReadOnly(dir)) return out + "cannot make it read-only";
        return out + render("/out.flac");
    });
    fs::remove_all(dir);
    if (!said) GTEST_SKIP() << "this system lets the test mount no file system of its own";
    const std::string full = ": No space left on device\n";
    EXPECT_EQ(*said, "cannot write " + dir + "/out.flac" + full + "cannot write " + dir +
                         "/out.wav" + full + "cannot write " + dir + "/out.flac" + full + "\n" +
                         "Cannot save \"" + dir + "/out.flac\": Read-only file system.\n");
}

// Chance and humanise come from the render's seed: the same seed, the same sound.
TEST(OfflineRender, TheSameSeedRendersTheSameFeel) {
    GrooveState s = oneNote(0);
    s.TEMPO = 240;
    s.row(2).BUF.fill(37);
    s.row(2).CHANCE.fill(50);
    s.row(2).REP[1] = 3;
    std::tie(s.SWING, s.HUMMS, s.HUMVEL) = std::make_tuple(66, 20, 20);
    const auto render = [&](uint64_t seed) {
        std::vector<float> left;
        std::string why;
        RenderOptions o{.passes = 3, .rate = 22050, .progress = {}, .seed = seed};
        EXPECT_TRUE(renderGroove(
            s, o,
            [&](const float* l, const float*, int n) {
                return left.insert(left.end(), l, l + n), true;
            },
            why));
        return left;
    };
    const std::vector<float> first = render(7);
    EXPECT_EQ(render(7), first);
    EXPECT_NE(render(8), first);
}

TEST(OfflineRender, NotesSoundAtTheirSampleTimeWhateverTheBlockSize) {
    auto render = [](int block) {
        SynthEngine engine;
        EXPECT_FALSE(engine.load());
        EXPECT_TRUE(engine.selectPreset(*kitPreset(kDefaultKit)));
        using enum NoteCommand::Kind;
        for (auto [kind, time, key] : {std::tuple{NoteOn, 10000, 42},
                                       {NoteOff, 12000, 42},
                                       {NoteOn, 12000, 38},
                                       {NoteOff, 20000, 38}})
            engine.send({.kind = kind, .key = uint8_t(key), .velocity = 100, .time = time});
        std::vector<float> all, left(static_cast<size_t>(block)), right(left.size());
        while (all.size() < 16384) {
            engine.render(left.data(), right.data(), block);
            all.insert(all.end(), left.begin(), left.end());
        }
        all.resize(16384);
        return all;
    };
    const auto onset = [](const std::vector<float>& v) {
        return std::find_if(v.begin(), v.end(), [](float x) { return std::fabs(x) > kSilent; }) -
               v.begin();
    };
    const std::vector<float> reference = render(4096);
    EXPECT_NEAR(static_cast<double>(onset(reference)), 10000.0, 32.0);
    // The same notes at the same samples; the synthesizer's chorus may stand at another
    // phase, as it rests while nothing sounds.
    for (int block : {97, 128, 333, 1}) {
        const std::vector<float> other = render(block);
        EXPECT_EQ(onset(other), onset(reference)) << block;
        float largest = 0;
        for (size_t i = 0; i < other.size(); ++i)
            largest = std::max(largest, std::fabs(other[i] - reference[i]));
        EXPECT_LT(largest, 0.02f) << block;
    }
}

// An organ holds its notes until they are stopped: after playing through edits, stops,
// restarts and kit changes, the output must fall silent once the clock stops.
TEST(OfflineRender, EveryNoteStartedIsStoppedUnderMidStepEdits) {
    GrooveState s = oneNote(0);
    s.KIT = 20;  // organ
    s.SUB = 2;
    for (DrumRow& row : s.rows) row.BUF.fill(1);
    SynthEngine engine;
    ASSERT_FALSE(engine.load());
    RenderedAudio block{std::vector<float>(300), std::vector<float>(300)};
    auto command = [&](NoteCommand::Kind kind) { engine.send({.kind = kind, .step = s.LOOP}); };
    auto play = [&](int kit) {  // one block with the groove as it stands
        // Kit changes go through the worker that loads samples away from the audio side.
        EXPECT_TRUE(kit == 0 || engine.requestPreset(*kitPreset(kit)));
        engine.waitForPresets();
        engine.publish(GrooveSnapshot::of(s));
        engine.render(block.left.data(), block.right.data(), 300);
        engine.collect();
    };
    command(NoteCommand::Kind::Start);
    for (int k = 0; k < 2000; ++k) {
        const int kits[] = {20, kDefaultKit, 5, 20};
        play(k % 250 == 0 ? kits[k / 250 % 4] : 0);
        DrumRow& row = s.row(1 + k % kRowCount);
        row.DR = 40 + k % 40;
        row.DV = k % 5 == 0 ? 0 : 100;
        row.BUF[static_cast<size_t>(k % 8)] ^= 1;
        s.TEMPO = 40 + k % 200;
        if (k % 97 == 0) s.SUB = 1 + k % 4;
        if (k % 301 == 0) command(NoteCommand::Kind::Stop), command(NoteCommand::Kind::Start);
    }
    // Organ notes still sounding when the kit turns to drums, on another channel; then
    // the organ again, sounding when the clock stops.
    std::tie(s.TEMPO, s.SUB) = std::make_tuple(300, 4);
    for (int k = 0; k < 60; ++k) play(k % 20 != 0 ? 0 : k == 20 ? kDefaultKit : 20);
    command(NoteCommand::Kind::Stop);
    for (int k = 0; k < 1000; ++k) play(0);  // about 7 s for the releases
    EXPECT_LT(peak(block, 0, 300), kSilent);
}

}  // namespace
}  // namespace pattaplex
