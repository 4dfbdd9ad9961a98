#include "SynthEngine.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "library_messages.h"

namespace pattaplex {

namespace {

constexpr const char* kGeneralMidiFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
constexpr const char* kGsFont = "/usr/share/sounds/sf2/FluidR3_GS.sf2";

// FluidSynth starts notes at the boundaries of its 64-sample blocks; a note is applied at
// the boundary nearest its time, so it sounds within half a block of it.
constexpr int64_t kFluidBlock = 64;
// FluidSynth's own polyphony, which the player keeps: every voice can be looked at.
constexpr int kPolyphony = 256;
// Presets the loader keeps loaded; the program names far fewer.
constexpr int kLoaderChannels = 256;
// Below this the output has died away (far under the last bit of a 24-bit sample).
constexpr float kInaudible = 1e-7f;

// FluidSynth's own gain of 0.2 leaves room for dense orchestral scores; a drum machine
// sounds at most ten notes at once. At this gain the drum presets peak around -3 dBFS
// (measured by bench/loudness); louder combinations are left to the master bus's limiter.
constexpr double kSynthGain = 0.88;

// The sound device's buffer, 4 periods of 128 frames: under 12 ms of output latency.
constexpr int kPeriodFrames = 128;
constexpr int kPeriods = 4;

// FluidSynth runs at most at 96 kHz; faster devices get it at half their rate, doubled.
constexpr int kFastestSynth = 96000;

int factorFor(int rate) {
    return rate > kFastestSynth ? 2 : 1;
}

// Soundfonts in loading order: each loaded one goes above the previous ones.
std::vector<std::string> soundfontPaths() {
    if (const char* own = std::getenv("PATTAPLEX_SOUNDFONT"); own && *own) return {own};
    // Only the GS file holds the SFX kit; the GM file comes first for everything else.
    return {kGsFont, kGeneralMidiFont};
}

// FluidSynth's own program change falls back to another preset when the one asked for is
// missing; the soundfont that holds it is looked up here, topmost first.
fluid_sfont_t* fontHolding(fluid_synth_t* synth, const KitPreset& preset) {
    const int count = fluid_synth_sfcount(synth);
    for (int i = 0; i < count; ++i) {
        fluid_sfont_t* font = fluid_synth_get_sfont(synth, i);
        if (font && fluid_sfont_get_preset(font, preset.bank, preset.program)) return font;
    }
    return nullptr;
}

}  // namespace

// The synthesizer the audio thread plays, and a second one that only loads: the
// soundfonts are loaded into the loader and shared with the player, and each preset is
// first selected on a channel of the loader, which reads its samples from disk under the
// loader's own lock and keeps them loaded. Selecting it on the player then only counts
// the samples as used: no disk, no allocation, and the audio thread is never kept
// waiting. Both synthesizers' presets are only ever selected under `selecting`, as
// FluidSynth counts a sample's users without a lock of its own.
struct SynthEngine::Fluid {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_settings_t* loaderSettings = nullptr;
    fluid_synth_t* loader = nullptr;
    std::atomic<bool> loaded{false};
    std::mutex selecting;
    std::map<std::tuple<int, int, int>, int> pinned;  // font, bank, program -> loader channel

    // The preset worker.
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<KitPreset> wanted;
    bool working = false;
    bool stopping = false;
    std::thread worker;

    void stopWorker() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        if (worker.joinable()) worker.join();
    }

    ~Fluid() {
        stopWorker();
        // The player shares the loader's soundfonts; the loader owns them.
        if (synth)
            while (fluid_synth_sfcount(synth) > 0)
                fluid_synth_remove_sfont(synth, fluid_synth_get_sfont(synth, 0));
        if (synth) delete_fluid_synth(synth);
        if (loader) delete_fluid_synth(loader);
        if (settings) delete_fluid_settings(settings);
        if (loaderSettings) delete_fluid_settings(loaderSettings);
    }
};

std::vector<std::string> SynthEngine::soundfonts() {
    return soundfontPaths();
}

SynthEngine::SynthEngine(int rate, int cores)
    : fluid_(std::make_unique<Fluid>()),
      factor_(factorFor(rate)),
      scheduler_(rate, kFluidBlock * factor_, midi_),
      masterBus_(rate) {
    captureLibraryMessages();
    fluid_->settings = new_fluid_settings();
    if (cores > 1) fluid_settings_setint(fluid_->settings, "synth.cpu-cores", cores);
    fluid_settings_setnum(fluid_->settings, "synth.sample-rate", rate / factor_);
    fluid_settings_setint(fluid_->settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(fluid_->settings, "synth.gain", kSynthGain);
    fluid_settings_setint(fluid_->settings, "audio.period-size", kPeriodFrames);
    fluid_settings_setint(fluid_->settings, "audio.periods", kPeriods);
    // The chorus costs a tenth of the synthesizer's time, and the drum kits send nothing
    // to it: it is switched on by the first note that does.
    fluid_settings_setint(fluid_->settings, "synth.chorus.active", 0);
    fluid_settings_setint(fluid_->settings, "synth.polyphony", kPolyphony);
    fluid_->synth = new_fluid_synth(fluid_->settings);
    fluid_->loaderSettings = new_fluid_settings();
    fluid_settings_setint(fluid_->loaderSettings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(fluid_->loaderSettings, "synth.midi-channels", kLoaderChannels);
    fluid_settings_setint(fluid_->loaderSettings, "synth.polyphony", 1);
    fluid_->loader = new_fluid_synth(fluid_->loaderSettings);
}

int SynthEngine::deviceBufferFrames() const {
    return kPeriodFrames * kPeriods;
}

SynthEngine::~SynthEngine() {
    fluid_->stopWorker();  // it sends to the scheduler's queue
}

void* SynthEngine::synthHandle() const {
    return fluid_->synth;
}
void* SynthEngine::settingsHandle() const {
    return fluid_->settings;
}
bool SynthEngine::loaded() const {
    return fluid_->loaded;
}

void SynthEngine::setRate(int rate) {
    if (rate == scheduler_.rate()) return;
    factor_ = factorFor(rate);
    scheduler_.setRate(rate, kFluidBlock * factor_);
    rendered_ = scheduler_.position();
    masterBus_.setSampleRate(rate);
    synthRendered_ = rendered_ / factor_;
    phase_ = false;
    fluid_settings_setnum(fluid_->settings, "synth.sample-rate", rate / factor_);
    if (fluid_->synth) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        fluid_synth_set_sample_rate(fluid_->synth, static_cast<float>(rate / factor_));
#pragma GCC diagnostic pop
    }
}

std::optional<std::string> SynthEngine::load() {
    if (fluid_->loaded) return std::nullopt;
    if (!fluid_->synth || !fluid_->loader)
        return "cannot create the synthesizer: " + takeFluidError();
    auto unloadAll = [&] {
        while (fluid_synth_sfcount(fluid_->loader) > 0)
            fluid_synth_sfunload(fluid_->loader,
                                 fluid_sfont_get_id(fluid_synth_get_sfont(fluid_->loader, 0)), 0);
    };
    for (const std::string& path : soundfontPaths()) {
        std::optional<std::string> error;
        if (!std::filesystem::is_regular_file(path))
            error = "soundfont not found: " + path;
        else if (fluid_synth_sfload(fluid_->loader, path.c_str(), 0) == FLUID_FAILED)
            error = "cannot load soundfont " + path + ": " + takeFluidError();
        if (error) {
            unloadAll();
            return error;
        }
    }
    // The player gets them in the same order: the last loaded on top. Adding one selects
    // a preset on every channel, loading its samples; only the presets asked for stay.
    for (int i = fluid_synth_sfcount(fluid_->loader) - 1; i >= 0; --i)
        fluid_synth_add_sfont(fluid_->synth, fluid_synth_get_sfont(fluid_->loader, i));
    for (fluid_synth_t* synth : {fluid_->synth, fluid_->loader})
        for (int channel = 0; channel < fluid_synth_count_midi_channels(synth); ++channel)
            fluid_synth_unset_program(synth, channel);
    fluid_->loaded = true;
    return std::nullopt;
}

bool SynthEngine::requestPreset(const KitPreset& preset) {
    if (!fluid_->loaded || !fontHolding(fluid_->synth, preset)) return false;
    {
        std::lock_guard<std::mutex> lock(fluid_->mutex);
        fluid_->wanted = preset;
        if (!fluid_->worker.joinable()) fluid_->worker = std::thread([this] { loadPresets(); });
    }
    fluid_->changed.notify_all();
    return true;
}

void SynthEngine::waitForPresets() {
    std::unique_lock<std::mutex> lock(fluid_->mutex);
    fluid_->changed.wait(lock, [&] { return !fluid_->wanted && !fluid_->working; });
}

void SynthEngine::loadPresets() {
    std::unique_lock<std::mutex> lock(fluid_->mutex);
    for (;;) {
        fluid_->changed.wait(lock, [&] { return fluid_->stopping || fluid_->wanted; });
        if (fluid_->stopping) return;
        const KitPreset preset = *fluid_->wanted;
        fluid_->wanted.reset();
        fluid_->working = true;
        lock.unlock();
        select(preset, true);
        lock.lock();
        fluid_->working = false;
        fluid_->changed.notify_all();
    }
}

bool SynthEngine::selectPreset(const KitPreset& preset) {
    return select(preset, false);
}

bool SynthEngine::select(const KitPreset& preset, bool fromWorker) {
    if (!fluid_->loaded) return false;
    std::lock_guard<std::mutex> lock(fluid_->selecting);
    fluid_sfont_t* font = fontHolding(fluid_->synth, preset);
    if (!font) return false;
    const int id = fluid_sfont_get_id(font);
    const auto key = std::make_tuple(id, preset.bank, preset.program);
    if (!fluid_->pinned.count(key)) {
        const int channel = static_cast<int>(fluid_->pinned.size()) % kLoaderChannels;
        if (fluid_synth_program_select(fluid_->loader, channel, id, preset.bank, preset.program) !=
            FLUID_OK)
            return false;
        fluid_->pinned[key] = channel;
    }
    if (fluid_synth_program_select(fluid_->synth, preset.channel, id, preset.bank,
                                   preset.program) != FLUID_OK)
        return false;
    NoteCommand c;
    c.kind = NoteCommand::Kind::SetChannel;
    c.channel = static_cast<uint8_t>(preset.channel);
    if (fromWorker)
        scheduler_.sendFromWorker(c);
    else
        scheduler_.send(c);
    return true;
}

// The synthesizer's side of a block's events.
void SynthEngine::apply(const TimedEvent& e) {
    if (!fluid_->loaded) return;
    using Kind = TimedEvent::Kind;
    switch (e.kind) {
        case Kind::NoteOn:
            if (!midi_.internalSound.load(std::memory_order_relaxed)) break;
            quiet_ = false;
            fluid_synth_noteon(fluid_->synth, channel_, e.key, e.velocity);
            if (!chorusOn_) switchChorusOnIfSentTo();
            break;
        case Kind::NoteOff:
            fluid_synth_noteoff(fluid_->synth, channel_, e.key);
            break;
        case Kind::Silence:
            fluid_synth_all_notes_off(fluid_->synth, -1);
            break;
        case Kind::SetChannel:
            // Notes on the old channel could not be stopped any more.
            if (e.channel != channel_) fluid_synth_all_notes_off(fluid_->synth, channel_);
            channel_ = e.channel;
            break;
        default:
            break;  // notes of steps already begun end as they would have
    }
}

// A voice whose instrument sends to the chorus (no controller of ours does) needs it on,
// from then on.
void SynthEngine::switchChorusOnIfSentTo() {
    std::array<fluid_voice_t*, kPolyphony> voices{};
    fluid_synth_get_voicelist(fluid_->synth, voices.data(), kPolyphony, -1);
    for (fluid_voice_t* voice : voices) {
        if (!voice) break;
        if (fluid_voice_gen_get(voice, GEN_CHORUSSEND) > 0) {
            fluid_synth_chorus_on(fluid_->synth, -1, 1);
            chorusOn_ = true;
            return;
        }
    }
}

// Applies the events of the block due before synthesizer sample `until`.
void SynthEngine::applyDue(int64_t until) {
    while (next_ < events_.size() && events_[next_].time / factor_ < until) apply(events_[next_++]);
}

void SynthEngine::setBlockListener(BlockListener* listener) {
    listener_.store(listener);
    // A block begun with the old one ends first (the audio thread never waits for this).
    while (listenerBusy_.load()) std::this_thread::yield();
}

void SynthEngine::render(float* left, float* right, int frames) {
    listenerBusy_.store(true);
    BlockListener* listener = listener_.load();
    if (listener) listener->blockStarting(scheduler_.blockStart(), frames);
    events_ = scheduler_.beginBlock(frames);
    next_ = 0;
    const bool silent = synthesize(left, right, frames);
    // What the synthesizer had no time left for in the block (a block ending between two
    // samples of a doubled rate) still happens.
    applyDue(std::numeric_limits<int64_t>::max());
    if (left && right && !(silent && masterBus_.passSilence()))
        masterBus_.process(left, right, frames);
    if (listener) listener->blockRendered(events_, scheduler_.blockStart(), frames);
    listenerBusy_.store(false);
    scheduler_.endBlock();
}

void SynthEngine::passSilence(int64_t frames) {
    scheduler_.passSilence(frames);
    rendered_ += frames;
    synthRendered_ += frames / factor_;
}

// True when the block is silence, left unrendered.
bool SynthEngine::synthesize(float* left, float* right, int frames) {
    const int64_t end = rendered_ + frames;
    if (!left || !right || !fluid_->loaded) {
        // Keeping time with nothing to hear: the notes due are dropped, the channel and
        // the silences still taken.
        if (left) std::fill_n(left, frames, 0.0f);
        if (right) std::fill_n(right, frames, 0.0f);
        for (; next_ < events_.size(); ++next_)
            if (events_[next_].kind != TimedEvent::Kind::NoteOn &&
                events_[next_].kind != TimedEvent::Kind::NoteOff)
                apply(events_[next_]);
        rendered_ = end;
        synthRendered_ = (end + factor_ - 1) / factor_;
        phase_ = false;
        return true;
    }
    bool silent = false;
    if (factor_ == 1) {
        silent = renderSynth(left, right, frames);
    } else {
        // Each synthesizer sample makes two: halfway from the one before, then itself.
        int i = 0;
        if (phase_) {
            left[i] = lastSample_[0], right[i] = lastSample_[1];
            ++i;
            phase_ = false;
        }
        while (i < frames) {
            const int n = std::min<int>((frames - i + 1) / 2, kUpChunk);
            renderSynth(upLeft_.data(), upRight_.data(), n);
            for (int k = 0; k < n; ++k) {
                const float l = upLeft_[static_cast<size_t>(k)];
                const float r = upRight_[static_cast<size_t>(k)];
                left[i] = 0.5f * (lastSample_[0] + l), right[i] = 0.5f * (lastSample_[1] + r);
                ++i;
                if (i < frames) {
                    left[i] = l, right[i] = r;
                    ++i;
                } else {
                    phase_ = true;
                }
                lastSample_ = {l, r};
            }
        }
    }
    rendered_ = end;
    return silent;
}

// True when the synthesizer was not run: the block is silence.
bool SynthEngine::renderSynth(float* left, float* right, int frames) {
    const int64_t end = synthRendered_ + frames;
    bool noteDue = false;  // only a note sounds: a change of channel needs no rendering
    for (size_t i = next_; i < events_.size() && events_[i].time / factor_ < end; ++i)
        noteDue = noteDue || events_[i].kind == TimedEvent::Kind::NoteOn;
    // Once every voice has died away the synthesizer is not run at all, as long as its
    // 64-sample blocks stay where the notes expect them.
    if (quiet_ && !noteDue && synthRendered_ % kFluidBlock == 0 && frames % kFluidBlock == 0) {
        std::fill_n(left, frames, 0.0f);
        std::fill_n(right, frames, 0.0f);
        applyDue(end);
        synthRendered_ = end;
        return true;
    }
    int done = 0;
    while (done < frames) {
        applyDue(synthRendered_ + 1);
        int64_t until = end;
        if (next_ < events_.size()) until = std::min(until, events_[next_].time / factor_);
        const int n = static_cast<int>(until - synthRendered_);
        fluid_synth_write_float(fluid_->synth, n, left, done, 1, right, done, 1);
        done += n;
        synthRendered_ += n;
    }
    if (!quiet_ && fluid_synth_get_active_voice_count(fluid_->synth) == 0) {
        float peak = 0;
        for (int i = 0; i < frames; ++i)
            peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
        quiet_ = peak < kInaudible;
    }
    return false;
}

}  // namespace pattaplex
