#include "SynthEngine.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "NoteSink.h"
#include "library_messages.h"

namespace pattaplex {

namespace {

constexpr const char* kGeneralMidiFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
constexpr const char* kGsFont = "/usr/share/sounds/sf2/FluidR3_GS.sf2";

// FluidSynth starts notes at the boundaries of its 64-sample blocks; a note is applied at
// the boundary nearest its time, so it sounds within half a block of it.
constexpr int64_t kFluidBlock = 64;

// FluidSynth's own gain of 0.2 leaves room for dense orchestral scores; a drum machine
// sounds at most ten notes at once. At this gain the drum presets peak around -3 dBFS
// (measured by bench/loudness); louder combinations are left to the master bus's limiter.
constexpr double kSynthGain = 0.88;

int64_t appliedTime(const NoteCommand& c) {
    const int64_t t = std::max<int64_t>(c.time, 0);
    return (t + kFluidBlock / 2) / kFluidBlock * kFluidBlock;
}

// Soundfonts in loading order: each loaded one goes above the previous ones.
std::vector<std::string> soundfontPaths() {
    if (const char* own = std::getenv("PATTAPLEX_SOUNDFONT"); own && *own) return {own};
    // Only the GS file holds the SFX kit; the GM file comes first for everything else.
    return {kGsFont, kGeneralMidiFont};
}

}  // namespace

struct SynthEngine::Fluid {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    bool loaded = false;

    ~Fluid() {
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

std::string SynthEngine::soundfontList() {
    std::string list;
    for (const std::string& p : soundfontPaths()) list += (list.empty() ? "" : ", ") + p;
    return list;
}

SynthEngine::SynthEngine() : fluid_(std::make_unique<Fluid>()), masterBus_(kSampleRate) {
    captureLibraryMessages();
    fluid_->settings = new_fluid_settings();
    fluid_settings_setnum(fluid_->settings, "synth.sample-rate", kSampleRate);
    fluid_settings_setint(fluid_->settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(fluid_->settings, "synth.gain", kSynthGain);
    // 4 periods of 128 frames: under 12 ms of output latency.
    fluid_settings_setint(fluid_->settings, "audio.period-size", 128);
    fluid_settings_setint(fluid_->settings, "audio.periods", 4);
    fluid_->synth = new_fluid_synth(fluid_->settings);
}

SynthEngine::~SynthEngine() = default;

void* SynthEngine::synthHandle() const {
    return fluid_->synth;
}
void* SynthEngine::settingsHandle() const {
    return fluid_->settings;
}
bool SynthEngine::loaded() const {
    return fluid_->loaded;
}

std::optional<std::string> SynthEngine::load() {
    if (fluid_->loaded) return std::nullopt;
    if (!fluid_->synth) return "cannot create the synthesizer: " + takeFluidError();
    for (const std::string& path : soundfontPaths()) {
        if (!std::filesystem::is_regular_file(path)) return "soundfont not found: " + path;
        if (fluid_synth_sfload(fluid_->synth, path.c_str(), 0) == FLUID_FAILED)
            return "cannot load soundfont " + path + ": " + takeFluidError();
    }
    fluid_->loaded = true;
    return std::nullopt;
}

bool SynthEngine::selectPreset(const KitPreset& preset) {
    if (!fluid_->loaded) return false;
    // FluidSynth's own program change falls back to another preset when the one asked
    // for is missing; look it up ourselves, topmost soundfont first.
    const int count = fluid_synth_sfcount(fluid_->synth);
    for (int i = 0; i < count; ++i) {
        fluid_sfont_t* font = fluid_synth_get_sfont(fluid_->synth, i);
        if (!font || !fluid_sfont_get_preset(font, preset.bank, preset.program)) continue;
        if (fluid_synth_program_select(fluid_->synth, preset.channel, fluid_sfont_get_id(font),
                                       preset.bank, preset.program) != FLUID_OK)
            return false;
        NoteCommand c;
        c.kind = NoteCommand::Kind::SetChannel;
        c.channel = static_cast<uint8_t>(preset.channel);
        send(c);
        return true;
    }
    return false;
}

bool SynthEngine::send(const NoteCommand& command) {
    return queue_.push(command);
}

void SynthEngine::takeCommands() {
    NoteCommand c;
    while (queue_.pop(c)) {
        switch (c.kind) {
            case NoteCommand::Kind::Flush:
                pendingCount_ = 0;
                fluid_synth_all_notes_off(fluid_->synth, -1);
                break;
            case NoteCommand::Kind::Silence:
                fluid_synth_all_notes_off(fluid_->synth, -1);
                break;
            case NoteCommand::Kind::SetChannel:
                // Notes on the old channel could not be stopped any more.
                if (c.channel != channel_) fluid_synth_all_notes_off(fluid_->synth, channel_);
                channel_ = c.channel;
                break;
            case NoteCommand::Kind::CancelSteps: {
                auto end = std::remove_if(
                    pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(pendingCount_),
                    [&](const NoteCommand& p) { return p.ofStep && p.stepTime >= c.time; });
                pendingCount_ = static_cast<size_t>(end - pending_.begin());
                break;
            }
            default:
                insertPending(c);
        }
    }
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
    if (c.kind == NoteCommand::Kind::NoteOn)
        fluid_synth_noteon(fluid_->synth, channel_, c.key, c.velocity);
    else
        fluid_synth_noteoff(fluid_->synth, channel_, c.key);
}

void SynthEngine::render(float* left, float* right, int frames) {
    takeCommands();
    int done = 0;
    size_t first = 0;
    while (done < frames) {
        while (first < pendingCount_ && appliedTime(pending_[first]) <= rendered_)
            apply(pending_[first++]);
        int64_t until = rendered_ + (frames - done);
        if (first < pendingCount_) until = std::min(until, appliedTime(pending_[first]));
        const int n = static_cast<int>(until - rendered_);
        fluid_synth_write_float(fluid_->synth, n, left, done, 1, right, done, 1);
        done += n;
        rendered_ += n;
    }
    if (first > 0) {
        std::move(pending_.begin() + static_cast<ptrdiff_t>(first),
                  pending_.begin() + static_cast<ptrdiff_t>(pendingCount_), pending_.begin());
        pendingCount_ -= first;
    }
    masterBus_.process(left, right, frames);
    position_.store(rendered_, std::memory_order_release);
}

}  // namespace pattaplex
