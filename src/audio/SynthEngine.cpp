#include "SynthEngine.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
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
      rate_(rate),
      factor_(factorFor(rate)),
      clock_(rate),
      masterBus_(rate) {
    captureLibraryMessages();
    fluid_->settings = new_fluid_settings();
    if (cores > 1) fluid_settings_setint(fluid_->settings, "synth.cpu-cores", cores);
    fluid_settings_setnum(fluid_->settings, "synth.sample-rate", rate / factor_);
    fluid_settings_setint(fluid_->settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(fluid_->settings, "synth.gain", kSynthGain);
    fluid_settings_setint(fluid_->settings, "audio.period-size", kPeriodFrames);
    fluid_settings_setint(fluid_->settings, "audio.periods", kPeriods);
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
    fluid_->stopWorker();  // it sends to the engine's queue
    delete current_;
    delete held_;
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
    if (rate == rate_) return;
    rendered_ = rendered_ * rate / rate_;
    for (size_t i = 0; i < pendingCount_; ++i) pending_[i].time = pending_[i].time * rate / rate_;
    shared_.position.store(rendered_);
    clock_.setRate(rate);
    masterBus_.setSampleRate(rate);
    rate_ = rate;
    factor_ = factorFor(rate);
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
        select(preset, workerQueue_);
        lock.lock();
        fluid_->working = false;
        fluid_->changed.notify_all();
    }
}

bool SynthEngine::selectPreset(const KitPreset& preset) {
    return select(preset, queue_);
}

template <typename Queue>
bool SynthEngine::select(const KitPreset& preset, Queue& queue) {
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
    queue.push(c);
    return true;
}

bool SynthEngine::send(const NoteCommand& command) {
    return queue_.push(command);
}

void SynthEngine::takeSnapshots() {
    GrooveSnapshot* fresh = handoff_.take();
    if (!fresh) return;
    const bool waits = fresh->forPass > clock_.passes() || (fresh->prepared && clock_.running());
    if (waits) {
        handoff_.retire(std::exchange(held_, fresh));
    } else {
        // A groove for the present pass holds every change before it.
        handoff_.retire(std::exchange(held_, nullptr));
        handoff_.retire(std::exchange(current_, fresh));
    }
}

void SynthEngine::passStarting() {
    if (held_) handoff_.retire(std::exchange(current_, std::exchange(held_, nullptr)));
}

void SynthEngine::takeCommands() {
    NoteCommand c;
    while (workerQueue_.pop(c) || queue_.pop(c)) {
        switch (c.kind) {
            case NoteCommand::Kind::Flush:
                pendingCount_ = 0;
                muted_ = true;
                if (fluid_->loaded) fluid_synth_all_notes_off(fluid_->synth, -1);
                break;
            case NoteCommand::Kind::Silence:
                if (fluid_->loaded) fluid_synth_all_notes_off(fluid_->synth, -1);
                break;
            case NoteCommand::Kind::Open:
                muted_ = false;
                break;
            case NoteCommand::Kind::SetChannel:
                // Notes on the old channel could not be stopped any more.
                if (c.channel != channel_ && fluid_->loaded)
                    fluid_synth_all_notes_off(fluid_->synth, channel_);
                channel_ = c.channel;
                break;
            case NoteCommand::Kind::Start:
                clock_.start(rendered_, c.step);
                clock_.setPassLimit(c.time);
                ++transport_;
                break;
            case NoteCommand::Kind::Stop:
                // Notes of steps already begun end as they would have.
                clock_.stop();
                ++transport_;
                break;
            default:
                if (!muted_) insertPending(c);
        }
    }
}

void SynthEngine::playStepNote(int64_t onTime, int64_t offTime, int key, int velocity) {
    if (muted_) return;
    NoteCommand c;
    c.key = static_cast<uint8_t>(key);
    c.kind = NoteCommand::Kind::NoteOn;
    c.velocity = static_cast<uint8_t>(velocity);
    c.time = onTime;
    insertPending(c);
    c.kind = NoteCommand::Kind::NoteOff;
    c.velocity = 0;
    c.time = offTime;
    insertPending(c);
}

void SynthEngine::insertPending(const NoteCommand& c) {
    if (pendingCount_ == kPendingCapacity) return;  // cannot happen at any sane tempo
    // Stable: a note-off queued before a note-on of the same time stays before it.
    size_t i = pendingCount_;
    while (i > 0 && pending_[i - 1].time > c.time) {
        pending_[i] = pending_[i - 1];
        --i;
    }
    pending_[i] = c;
    ++pendingCount_;
}

void SynthEngine::apply(const NoteCommand& c) {
    if (!fluid_->loaded) return;
    quiet_ = false;
    if (c.kind == NoteCommand::Kind::NoteOn)
        fluid_synth_noteon(fluid_->synth, channel_, c.key, c.velocity);
    else
        fluid_synth_noteoff(fluid_->synth, channel_, c.key);
}

void SynthEngine::render(float* left, float* right, int frames) {
    takeSnapshots();
    takeCommands();
    clock_.run(rendered_ + frames, *this);
    synthesize(left, right, frames);
    if (left && right) masterBus_.process(left, right, frames);
    publishReport();
}

int64_t SynthEngine::synthTime(const NoteCommand& c) const {
    const int64_t t = std::max<int64_t>(c.time, 0) / factor_;
    return (t + kFluidBlock / 2) / kFluidBlock * kFluidBlock;
}

void SynthEngine::synthesize(float* left, float* right, int frames) {
    const int64_t end = rendered_ + frames;
    if (!left || !right || !fluid_->loaded) {
        // Keeping time with nothing to hear: the notes due are dropped.
        if (left) std::fill_n(left, frames, 0.0f);
        if (right) std::fill_n(right, frames, 0.0f);
        size_t first = 0;
        while (first < pendingCount_ && pending_[first].time < end) ++first;
        dropApplied(first);
        rendered_ = end;
        synthRendered_ = (end + factor_ - 1) / factor_;
        phase_ = false;
        return;
    }
    if (factor_ == 1) {
        renderSynth(left, right, frames);
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
}

void SynthEngine::dropApplied(size_t count) {
    if (count == 0) return;
    std::move(pending_.begin() + static_cast<ptrdiff_t>(count),
              pending_.begin() + static_cast<ptrdiff_t>(pendingCount_), pending_.begin());
    pendingCount_ -= count;
}

void SynthEngine::renderSynth(float* left, float* right, int frames) {
    const int64_t end = synthRendered_ + frames;
    const bool noteDue = pendingCount_ > 0 && synthTime(pending_[0]) < end;
    // Once every voice has died away the synthesizer is not run at all, as long as its
    // 64-sample blocks stay where the notes expect them.
    if (quiet_ && !noteDue && synthRendered_ % kFluidBlock == 0 && frames % kFluidBlock == 0) {
        std::fill_n(left, frames, 0.0f);
        std::fill_n(right, frames, 0.0f);
        synthRendered_ = end;
        return;
    }
    int done = 0;
    size_t first = 0;
    while (done < frames) {
        while (first < pendingCount_ && synthTime(pending_[first]) <= synthRendered_)
            apply(pending_[first++]);
        int64_t until = end;
        if (first < pendingCount_) until = std::min(until, synthTime(pending_[first]));
        const int n = static_cast<int>(until - synthRendered_);
        fluid_synth_write_float(fluid_->synth, n, left, done, 1, right, done, 1);
        done += n;
        synthRendered_ += n;
    }
    dropApplied(first);
    if (!quiet_ && fluid_synth_get_active_voice_count(fluid_->synth) == 0) {
        float peak = 0;
        for (int i = 0; i < frames; ++i)
            peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
        quiet_ = peak < kInaudible;
    }
}

// A reader that sees the same even sequence count before and after its reads has read
// one whole report (every access sequentially consistent).
void SynthEngine::publishReport() {
    const uint64_t sequence = shared_.sequence.load();
    shared_.sequence.store(sequence + 1);
    shared_.position.store(rendered_);
    shared_.running.store(clock_.running());
    shared_.busy.store(clock_.running() || pendingCount_ > 0);
    shared_.stepsPlayed.store(clock_.stepsPlayed());
    shared_.lastStep.store(clock_.lastStep());
    shared_.nextStep.store(clock_.nextStep());
    shared_.passes.store(clock_.passes());
    shared_.passEnd.store(clock_.passEnd(current_ ? current_->steps : 0));
    shared_.nextTime.store(clock_.nextTime());
    shared_.playing.store(current_ ? current_->serial : 0);
    shared_.transport.store(transport_);
    shared_.sequence.store(sequence + 2);
}

EngineReport SynthEngine::report() const {
    EngineReport r;
    for (;;) {
        const uint64_t before = shared_.sequence.load();
        r.position = shared_.position.load();
        r.running = shared_.running.load();
        r.busy = shared_.busy.load();
        r.stepsPlayed = shared_.stepsPlayed.load();
        r.lastStep = shared_.lastStep.load();
        r.nextStep = shared_.nextStep.load();
        r.passes = shared_.passes.load();
        r.passEnd = shared_.passEnd.load();
        r.nextTime = shared_.nextTime.load();
        r.playing = shared_.playing.load();
        r.transport = shared_.transport.load();
        if (before % 2 == 0 && shared_.sequence.load() == before) return r;
    }
}

}  // namespace pattaplex
