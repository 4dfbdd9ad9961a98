#include "NoteOutput.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "AlsaSequencer.h"
#include "AudioDevice.h"
#include "LinkSession.h"
#include "kit_mapping.h"

namespace pattaplex {

namespace {

// How long before the loop wraps infinite random prepares the next pass's groove: long
// enough for the window to be a little late, short enough that the new groove shows
// just before it plays.
constexpr int64_t kPrepareMs = 150;
// A playing device that has not asked for sound for this long has lost its server or card
// (its buffer is far shorter). Drivers that are told of a loss report it at once; this
// catches the rest without mistaking a busy machine's hiccup for a loss.
constexpr auto kStallLimit = std::chrono::seconds(2);
// How often a lost device is tried again; a timer may fire a little early.
constexpr int kRetryMs = 1000;
constexpr auto kTimerSlack = std::chrono::milliseconds(100);

}  // namespace

NoteOutput::NoteOutput(GrooveState& s, std::FILE* out, std::FILE* err)
    : s_(s), out_(out), err_(err), engine_(std::make_unique<SynthEngine>()) {
    health_.setOnLoss([this] {
        if (serviceCall_) serviceCall_(0);
    });
    useDevice(AudioDevice::silent(*engine_), false);
}

NoteOutput::~NoteOutput() {
    sequencer_.reset();
    device_.reset();  // stops the audio thread before the engine and the session go
    engine_->setLink(nullptr);
}

void NoteOutput::useDevice(std::unique_ptr<AudioDevice> device, bool real) {
    device_ = std::move(device);
    realDevice_ = real && device_;
    // Link places each step where it is heard.
    engine_->midiOptions().latency.store(realDevice_ ? device_->latency() : 0.0);
    if (device_ && settings_.timebaseMaster && !device_->setTimebaseMaster(true) && realDevice_)
        std::fprintf(err_, "pattaplex: cannot be JACK timebase master here\n");
    if (device_) device_->wake();
    useSequencerIfWanted();
}

// MIDI goes through the ALSA sequencer while something is to go out or come in and the
// device carries none itself.
void NoteOutput::useSequencerIfWanted() {
    const MidiOptions& o = engine_->midiOptions();
    const bool wanted =
        o.sendNotes.load() || o.sendClock.load() || o.sync.load() == SyncSource::MidiClock;
    // Until the first opening has chosen the device, the stand-in's choice is not final.
    if (!deviceChosen_) return;
    if (!wanted || (device_ && device_->carriesMidi())) {
        sequencer_.reset();
        return;
    }
    if (sequencer_ || sequencerFailed_) return;
    std::string why;
    sequencer_ =
        AlsaSequencer::open(*engine_, realDevice_ ? engine_->deviceBufferFrames() : 0, why);
    if (!sequencer_) {
        sequencerFailed_ = true;
        std::fprintf(err_, "pattaplex: no MIDI: %s\n", why.c_str());
    }
}

bool NoteOutput::openDevice(std::string& why) {
    device_.reset();  // the silent stand-in; the clock goes on where it stood
    auto device = AudioDevice::open(*engine_, health_, connections_, why);
    if (!device) {
        useDevice(AudioDevice::silent(*engine_), false);
        return false;
    }
    std::fprintf(err_, "pattaplex: sound on, output latency %.1f ms\n", device->latency() * 1000);
    useDevice(std::move(device), true);
    reconnecting_ = false;
    lastPosition_ = -1;
    return true;
}

void NoteOutput::service() {
    noticeLoss();
    // Calls also come at once with news of a loss; only the asked-for one retries.
    if (!retryAsked_ || std::chrono::steady_clock::now() + kTimerSlack < nextRetry_) return;
    retryAsked_ = false;
    if (!reconnecting_) return;
    std::string why;
    if (!openDevice(why)) {
        askRetry();
        return;
    }
    std::fprintf(err_, "pattaplex: sound is back\n");
    setStatus("");
}

void NoteOutput::askRetry() {
    if (retryAsked_ || !serviceCall_) return;
    retryAsked_ = true;
    nextRetry_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRetryMs);
    serviceCall_(kRetryMs);
}

void NoteOutput::noticeLoss() {
    const char* reason = health_.lost();
    if (!realDevice_ || !reason) return;
    const std::string why = reason;
    // Closed for real, so that a returning server finds no stale client of ours.
    device_.reset();
    useDevice(AudioDevice::silent(*engine_), false);
    reconnecting_ = true;
    std::fprintf(err_, "pattaplex: no sound: %s\n", why.c_str());
    setStatus("No sound: " + why);
    askRetry();
}

void NoteOutput::watchForStall(const EngineReport& r) {
    const auto now = std::chrono::steady_clock::now();
    if (!realDevice_ || r.position != lastPosition_) {
        lastPosition_ = r.position;
        lastProgress_ = now;
    } else if (now - lastProgress_ > kStallLimit) {
        health_.reportLost();
    }
}

bool NoteOutput::initQT(int kit) {
    noticeLoss();
    // Reopening stops what sounds; steps still to come play on the new kit.
    if (open_) control(NoteCommand::Kind::Silence);
    open_ = false;
    if (auto error = engine_->load()) {
        // Without a soundfont no kit can be checked: the program runs silently, and the
        // next initQT tries again.
        reportNoDevice(*error);
        return false;
    }
    const auto preset = kitPreset(kit);
    // The kit's samples load on a worker; until they are in, the old kit keeps sounding.
    if (!preset || !engine_->requestPreset(*preset)) {
        control(NoteCommand::Kind::Flush);
        halt();  // refused kits leave the output closed
        setStatus("No sound: " + missingKitReason(kit));
        return false;
    }
    if (!realDevice_ && !AudioDevice::noDeviceWanted()) {
        std::string why;
        deviceChosen_ = true;  // before the device's opening looks for MIDI
        if (!openDevice(why)) {
            reportNoDevice(why);
            return false;
        }
    }
    deviceChosen_ = true;  // also when no device is wanted
    useSequencerIfWanted();
    control(NoteCommand::Kind::Open);
    open_ = true;
    setStatus("");
    return true;
}

bool NoteOutput::reopen(int kit) {
    closeOutput();
    // A device that may have stopped being heard is let go; initQT opens one afresh. It
    // stops before the stand-in starts: one thread renders at a time.
    if (realDevice_) {
        device_.reset();
        useDevice(AudioDevice::silent(*engine_), false);
    }
    return initQT(kit);
}

std::string NoteOutput::deviceDescription() const {
    if (!realDevice_ || !device_) return {};
    return std::to_string(engine_->rate()) + " Hz through " + device_->name();
}

void NoteOutput::reportNoDevice(const std::string& why) {
    std::fputs("open Comp error ", out_);
    std::fflush(out_);
    std::fprintf(err_, "pattaplex: no sound: %s\n", why.c_str());
    setStatus("No sound: " + why);
}

void NoteOutput::setStatus(const std::string& status) {
    if (status == status_) return;
    status_ = status;
    if (listener_) listener_->soundStatusChanged(status_);
}

void NoteOutput::closeOutput() {
    if (!open_) return;
    open_ = false;
    control(NoteCommand::Kind::Flush);
}

void NoteOutput::control(NoteCommand::Kind kind, int step) {
    NoteCommand c;
    c.kind = kind;
    c.step = step;
    engine_->send(c);
}

void NoteOutput::audition(int note, int velocity) {
    if (velocity <= 0 || note < 0 || note > 127 || !open_ || !realDevice_) return;
    NoteCommand c;
    c.kind = NoteCommand::Kind::NoteOn;
    c.key = static_cast<uint8_t>(note);
    c.velocity = static_cast<uint8_t>(std::min(velocity, 127));
    engine_->send(c);  // at once
    c.kind = NoteCommand::Kind::NoteOff;
    c.velocity = 0;
    c.time = engine_->position() + int64_t{engine_->rate()} * 4 / 60;
    engine_->send(c);
    device_->wake();
}

void NoteOutput::publish(bool force, bool prepared) {
    const GrooveSnapshot g = GrooveSnapshot::of(s_);
    if (!force && g.sameGroove(published_)) return;
    // While a groove waits for its pass, edits go with it.
    engine_->publish(g, preparedPass_, prepared);
    published_ = g;
}

void NoteOutput::startClock() {
    if (running_) return;
    if (settings_.sync == SyncSource::JackTransport &&
        !(realDevice_ && device_->name() == "JACK")) {
        if (listener_)
            listener_->followedTransport(false,
                                         "No JACK transport: the sound does not go through JACK");
        return;
    }
    // A stop is carried out on the audio side a moment after it is asked for; a step
    // that sounded meanwhile moves the position a pause kept. (A LOOP of 0 is left alone:
    // it is also where a full stop starts again.)
    const EngineReport r = engine_->report();
    if (stopGuess_ > 0 && r.transport == transport_ && s_.LOOP == stopGuess_) s_.LOOP = r.nextStep;
    stopGuess_ = -1;
    preparedPass_ = 0;
    stepsSeen_ = 0;
    publish(true);
    control(NoteCommand::Kind::Start, s_.LOOP);
    startedAt_ = ++transport_;
    running_ = true;
    lastPosition_ = -1;
    noticeLoss();
    device_->wake();
    if (pumpSwitch_) pumpSwitch_(true);
    if (following_) transportSeen_ = engine_->report().transport;
}

void NoteOutput::stopClock() {
    halt();
}

void NoteOutput::halt() {
    if (!running_) return;
    control(NoteCommand::Kind::Stop);
    ++transport_;
    running_ = false;
    const EngineReport r = engine_->report();
    if (r.transport == startedAt_ && r.stepsPlayed > 0) s_.LOOP = r.nextStep;
    stopGuess_ = s_.LOOP;
    if (pumpSwitch_ && !following_) pumpSwitch_(false);
}

// The outside clock's tempo, and its starts and stops, told to the listener.
void NoteOutput::followOutsideClock(const EngineReport& r) {
    // (A tempo that goes away, as a JACK timebase master leaving, is told as 0.)
    if (listener_ && std::fabs(r.followedTempo - tempoShown_) >= 0.05) {
        tempoShown_ = r.followedTempo;
        listener_->followedTempo(r.followedTempo);
    }
    if (r.transport == transportSeen_) return;
    transportSeen_ = r.transport;
    if (r.running) startedAt_ = r.transport;  // steps count from the latest start
    if (r.running == running_) return;
    running_ = r.running;
    stepsSeen_ = 0;
    if (!running_) s_.LOOP = r.nextStep;
    const bool lost = r.clockLosses != lossesSeen_;
    lossesSeen_ = r.clockLosses;
    if (listener_) listener_->followedTransport(running_, lost ? "MIDI clock lost: stopped" : "");
}

// In a Link session the tempo is everyone's: the groove's, changed here, goes out; a
// peer's comes in (through followOutsideClock), and the peers are counted.
void NoteOutput::shareLinkTempo() {
    if (!link_ || settings_.sync != SyncSource::Link) return;
    if (s_.TEMPO != tempoSeen_ && s_.TEMPO > 0) {
        link_->requestTempo(s_.TEMPO);
        tempoSeen_ = s_.TEMPO;
    }
    const int peers = static_cast<int>(link_->peers());
    if (peers != peersShown_ && listener_) listener_->linkPeers(peers);
    peersShown_ = peers;
}

void NoteOutput::pump() {
    if (following_) {
        publish(false);
        shareLinkTempo();
        followOutsideClock(engine_->report());
        tempoSeen_ = s_.TEMPO;
    }
    if (!running_) return;
    engine_->collect();
    publish(false);
    const EngineReport r = engine_->report();
    watchForStall(r);
    if (health_.lost()) noticeLoss();
    if (r.transport != startedAt_) return;  // the start has not been carried out yet
    if (r.stepsPlayed != stepsSeen_) {
        stepsSeen_ = r.stepsPlayed;
        s_.LOOP = r.nextStep;
        if (listener_) listener_->stepSounded(r.nextStep);
    }
    const int64_t lead = int64_t{engine_->rate()} * kPrepareMs / 1000;
    if (running_ && s_.INF != 0 && listener_ && preparedPass_ <= r.passes &&
        r.passEnd - r.position < lead) {
        preparedPass_ = r.passes + 1;
        listener_->loopWrapping();
        publish(true, true);
    }
}

PlayPosition NoteOutput::position() const {
    const EngineReport r = engine_->report();
    PlayPosition p;
    p.playing = running_ && r.running;
    if (!p.playing) {
        p.nextStep = s_.LOOP;
        return p;
    }
    p.step = r.lastStep;
    p.nextStep = r.nextStep;
    if (realDevice_) p.latency = device_->latency();
    p.secondsToNext =
        static_cast<double>(std::max<int64_t>(r.nextTime - r.position, 0)) / engine_->rate();
    return p;
}

void NoteOutput::setMasterVolume(float volume) {
    // Also the volume every later synthesizer starts at, renders included.
    MasterBus::setProgramVolume(volume);
    engine_->masterBus().setVolume(volume);
}

void NoteOutput::setMidi(const MidiSettings& settings) {
    MidiOptions& options = engine_->midiOptions();
    options.sendNotes.store(settings.sendNotes);
    options.internalSound.store(settings.internalSound);
    options.channel.store(std::clamp(settings.channel, 0, 16));
    options.sendClock.store(settings.sendClock);
    const SyncSource was = settings_.sync;
    settings_ = settings;
    const bool following = settings.sync != SyncSource::Internal;
    // The session is made once, when first asked for; it joins the network only while chosen.
    const bool link = settings.sync == SyncSource::Link;
    if (link && !link_) {
        link_ = std::make_unique<LinkSession>(s_.TEMPO > 0 ? s_.TEMPO : 120);
        engine_->setLink(link_.get());
    }
    if (link && was != SyncSource::Link) {
        // Ours until a session is found; joining one takes its tempo.
        link_->requestTempo(s_.TEMPO > 0 ? s_.TEMPO : 120);
        peersShown_ = -1;
        tempoSeen_ = s_.TEMPO;
    }
    if (link_) link_->enable(link);
    options.sync.store(settings.sync);
    options.timebaseMaster.store(settings.timebaseMaster);
    if (device_ && !device_->setTimebaseMaster(settings.timebaseMaster) && realDevice_)
        std::fprintf(err_, "pattaplex: cannot be JACK timebase master here\n");
    useSequencerIfWanted();
    if (settings.sync != was && following_ && following) {
        // From one outside clock to another: the audio side stops what plays.
        halt();
        transportSeen_ = engine_->report().transport;
        tempoShown_ = 0;
    }
    if (following == following_) return;
    // The audio side stops what plays as it hands playback to an outside clock, but plays
    // on back to the groove's own clock and from it into a Link session.
    const bool goesOn = !following || settings.sync == SyncSource::Link;
    if (!goesOn) halt();
    following_ = following;
    tempoShown_ = 0;
    transportSeen_ = engine_->report().transport;
    lossesSeen_ = engine_->report().clockLosses;
    // An outside clock may start playback at any time: the groove is there for it, and
    // the clock is watched all the while.
    if (following_) publish(true);
    device_->wake();
    if (pumpSwitch_) pumpSwitch_(following_ || running_);
}

float NoteOutput::outputPeak() {
    return engine_->masterBus().takePeak();
}

}  // namespace pattaplex
