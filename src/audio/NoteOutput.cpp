#include "NoteOutput.h"

#include <algorithm>
#include <string>

#include "AudioDevice.h"
#include "SynthEngine.h"
#include "kit_mapping.h"

namespace pattaplex {

namespace {

// An audition lasts 4/60 s.
constexpr int64_t kAuditionLength = kSampleRate * 4 / 60;
// Room for a step's first notes to reach the audio thread before they are due.
constexpr int64_t kStartDelay = kSampleRate * 10 / 1000;

}  // namespace

NoteOutput::NoteOutput(GrooveState& s, std::FILE* out, std::FILE* err)
    : out_(out),
      err_(err),
      clock_(s, *this, kStartDelay),
      started_(std::chrono::steady_clock::now()) {}

NoteOutput::~NoteOutput() {
    device_.reset();  // stops the audio thread before the engine goes
}

bool NoteOutput::initQT(int kit) {
    // Reopening stops what sounds; steps already scheduled play on the new kit.
    if (open_) control(NoteCommand::Kind::Silence);
    open_ = false;
    if (!engine_) engine_ = std::make_unique<SynthEngine>();
    const auto preset = kitPreset(kit);
    if (auto error = engine_->load()) {
        reportNoDevice(*error);
        // Without a soundfont no kit can be checked: the program runs silently, and the
        // next initQT starts again with a fresh synthesizer.
        engine_.reset();
        return false;
    }
    if (!preset || !engine_->selectPreset(*preset)) {
        control(NoteCommand::Kind::Flush);
        clock_.stop();  // halted: refused kits leave the output closed
        return false;
    }
    if (!device_ && !AudioDevice::noDeviceWanted()) {
        std::string why;
        const int64_t now = wallClockPosition();
        device_ = AudioDevice::open(*engine_, why);
        if (!device_) {
            reportNoDevice(why);
            return false;
        }
        deviceOffset_ = now - engine_->position();
    }
    open_ = true;
    return true;
}

void NoteOutput::reportNoDevice(const std::string& why) {
    std::fputs("open Comp error ", out_);
    std::fflush(out_);
    std::fprintf(err_, "pattaplex: no sound: %s\n", why.c_str());
}

void NoteOutput::closeOutput() {
    if (!open_) return;
    open_ = false;
    control(NoteCommand::Kind::Flush);
}

void NoteOutput::control(NoteCommand::Kind kind) {
    if (!engine_) return;
    NoteCommand c;
    c.kind = kind;
    engine_->send(c);
}

void NoteOutput::audition(int note, int velocity) {
    if (velocity <= 0 || note < 0 || note > 127) return;
    const int64_t now = samplePosition();
    send(false, true, now, now, note, std::min(velocity, 127));
    send(false, false, now + kAuditionLength, now, note, 0);
}

void NoteOutput::startClock() {
    clock_.start();
}
void NoteOutput::stopClock() {
    clock_.stop();
}
void NoteOutput::pump() {
    clock_.pump();
}

void NoteOutput::setMasterVolume(float volume) {
    // Also the volume every later synthesizer starts at, renders included.
    MasterBus::setProgramVolume(volume);
    if (engine_) engine_->masterBus().setVolume(volume);
}

float NoteOutput::outputPeak() {
    return engine_ && device_ ? engine_->masterBus().takePeak() : 0.0f;
}

int64_t NoteOutput::wallClockPosition() const {
    const auto elapsed = std::chrono::steady_clock::now() - started_;
    return std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() * kSampleRate /
           1'000'000;
}

int64_t NoteOutput::samplePosition() const {
    if (device_) return engine_->position() + deviceOffset_;
    return wallClockPosition();
}

void NoteOutput::playStepNote(int64_t onTime, int64_t offTime, int key, int velocity) {
    send(true, true, onTime, onTime, key, velocity);
    send(true, false, offTime, onTime, key, 0);
}

void NoteOutput::cancelStepsFrom(int64_t stepTime) {
    if (!device_) return;
    NoteCommand cancel;
    cancel.kind = NoteCommand::Kind::CancelSteps;
    cancel.time = stepTime - deviceOffset_;
    engine_->send(cancel);
}

void NoteOutput::send(bool ofStep, bool on, int64_t time, int64_t stepTime, int key, int velocity) {
    // With the output closed or no device, notes go nowhere.
    if (!open_ || !device_) return;
    NoteCommand c;
    c.kind = on ? NoteCommand::Kind::NoteOn : NoteCommand::Kind::NoteOff;
    c.ofStep = ofStep;
    c.key = static_cast<uint8_t>(key);
    c.velocity = static_cast<uint8_t>(velocity);
    c.time = time - deviceOffset_;
    c.stepTime = stepTime - deviceOffset_;
    engine_->send(c);
}

}  // namespace pattaplex
