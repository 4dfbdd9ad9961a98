#pragma once
// The program's sound: a General MIDI synthesizer playing the chosen kit or instrument
// through the sound device, with the step clock that plays the groove on the audio side.
// This is the main thread's half: it publishes the groove, starts and stops the clock and
// tells the window where playback is.

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "DeviceHealth.h"
#include "GrooveSnapshot.h"
#include "GrooveState.h"
#include "PortConnections.h"
#include "Sound.h"
#include "SynthEngine.h"

namespace pattaplex {

class AlsaSequencer;
class AudioDevice;
class LinkSession;

class NoteOutput final : public Sound {
  public:
    // Nothing is loaded until the first initQT. Diagnostics go to `out` and `err`.
    explicit NoteOutput(GrooveState& s, std::FILE* out = stdout, std::FILE* err = stderr);
    ~NoteOutput() override;

    void setListener(ClockListener* listener) { listener_ = listener; }
    // Told true when the clock starts and false when it stops: pump() wants calling every
    // few milliseconds exactly while it runs, and never while stopped.
    void setPumpSwitch(std::function<void(bool)> pumpSwitch) {
        pumpSwitch_ = std::move(pumpSwitch);
    }

    // How the main thread is asked to call service() `delayMs` milliseconds from now.
    // Called from any thread (a driver's own, when its server goes), so it should only
    // post the request to the main thread. Without it a lost device is noticed by pump()
    // and initQT() alone, and nothing reconnects by itself.
    void setServiceCall(std::function<void(int delayMs)> call) { serviceCall_ = std::move(call); }
    // Main thread: a lost sound device is closed, the clock keeps time without it and
    // the status line says so; while it is lost, this tries now and then to open it
    // again, so that a server that comes back is heard again.
    void service();

    bool initQT(int kit) override;
    void closeOutput() override;
    bool reopen(int kit) override;
    std::string deviceDescription() const override;
    void audition(int note, int velocity) override;
    void startClock() override;
    void stopClock() override;
    bool clockRunning() const override { return running_; }
    void pump() override;
    PlayPosition position() const override;
    std::string soundStatus() const override { return status_; }
    void setMasterVolume(float volume) override;
    float outputPeak() override;
    void setMidi(const MidiSettings& settings) override;

    bool isOpen() const { return open_; }
    // The audio side, for benchmarks and tests.
    const SynthEngine& engine() const { return *engine_; }

  private:
    void reportNoDevice(const std::string& why);
    void setStatus(const std::string& status);
    void control(NoteCommand::Kind kind, int step = 0);
    void halt();
    // The groove as it stands, unless unchanged since the last one (or `force`, as every
    // start is); a `prepared` one is infinite random's for the pass `preparedPass_`.
    void publish(bool force, bool prepared = false);
    void useDevice(std::unique_ptr<AudioDevice> device, bool real);
    void followOutsideClock(const EngineReport& r);
    void shareLinkTempo();
    void useSequencerIfWanted();
    bool openDevice(std::string& why);
    void noticeLoss();
    void askRetry();
    void watchForStall(const EngineReport& r);

    GrooveState& s_;
    std::FILE* out_;
    std::FILE* err_;
    ClockListener* listener_ = nullptr;
    std::function<void(bool)> pumpSwitch_;
    std::function<void(int)> serviceCall_;
    std::unique_ptr<SynthEngine> engine_;
    DeviceHealth health_;
    PortConnections connections_;  // outlive every device
    std::unique_ptr<AudioDevice> device_;
    std::unique_ptr<AlsaSequencer> sequencer_;  // MIDI when the device carries none
    bool sequencerFailed_ = false;              // said once, not tried again
    bool deviceChosen_ = false;                 // initQT has opened the device or given up
    bool realDevice_ = false;                   // a sound device, not the silent stand-in
    bool reconnecting_ = false;  // the sound device was lost and is tried again now and then
    bool retryAsked_ = false;    // a call of service() to retry is on its way
    std::chrono::steady_clock::time_point nextRetry_{};
    // The sound device's progress as pump() last saw it.
    int64_t lastPosition_ = -1;
    std::chrono::steady_clock::time_point lastProgress_{};
    bool open_ = false;
    std::string status_;

    // The clock as the main thread drives it.
    bool running_ = false;
    uint64_t transport_ = 0;      // starts and stops sent
    uint64_t startedAt_ = 0;      // transport count of the last start
    int64_t stepsSeen_ = 0;       // steps the listener has been told of since the start
    int64_t preparedPass_ = 0;    // the pass infinite random last prepared a groove for
    int stopGuess_ = -1;          // LOOP as set at the last stop, before the audio side said
    GrooveSnapshot published_{};  // the groove last published

    // Following a MIDI clock: the transport and the losses of the clock last told of, and
    // the tempo last shown.
    bool following_ = false;
    uint64_t transportSeen_ = 0;
    uint64_t lossesSeen_ = 0;
    double tempoShown_ = 0;
    // Link: the session (made the first time it is chosen), the peers last told of, and
    // the groove's tempo as the session last left it, so only the user's changes go out.
    MidiSettings settings_;
    std::unique_ptr<LinkSession> link_;
    int peersShown_ = -1;
    int tempoSeen_ = 0;
};

}  // namespace pattaplex
