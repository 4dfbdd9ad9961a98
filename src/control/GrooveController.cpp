#include "GrooveController.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "clear_undo.h"
#include "defaults.h"
#include "edit_scope.h"
#include "grid_geometry.h"
#include "names.h"
#include "presets.h"

namespace pattaplex {

namespace {

constexpr const char* kBanner =
    "Pattaplex drum machine\n"
    "Click the grid to set steps, press Space to play, / for help.";

// Why a grid size will not be kept, or "" when it fits: the drawing pass lowers the bars
// of a grid over 54 steps, which the user must not see happen unexplained.
std::string tooManySteps(const GrooveState& s) {
    const int64_t barsAndBeats = int64_t{s.BARS} * s.BEATS;
    if (s.BARS <= 0 || s.BEATS <= 0 || s.SUB <= 0 || barsAndBeats * s.SUB <= kMaxShownSteps)
        return {};
    const std::string grid = "At most " + std::to_string(kMaxShownSteps) +
                             " steps: " + std::to_string(s.BARS) + " bars of " +
                             std::to_string(s.BEATS) + " beats ";
    const int64_t perBeat = kMaxShownSteps / barsAndBeats;
    if (perBeat == 0) return grid + "do not fit";
    if (perBeat == 1) return grid + "need 1 step per beat";
    return grid + "need at most " + std::to_string(perBeat) + " steps per beat";
}

}  // namespace

GrooveController::GrooveController(GrooveState& state, Outlets& outlets, Sound& sound,
                                   SecondsClock clock, std::FILE* out)
    : s_(state), out_(outlets), sound_(sound), clock_(std::move(clock)), stdout_(out) {}

void GrooveController::awakeFromNib() {
    applyStartupValues(s_);
    if (out_.prefersDarkScheme()) s_.colTOG = 1;  // the C key still switches
    std::fputs(kBanner, stdout_);
    std::fputc('\n', stdout_);
    std::fflush(stdout_);
    setDefaults();
    showTempo();  // the tempo controls start out showing the start-up tempo
    showFeel();
    history_.clear();
    showHistory();
    showUndoButton(kClearTitle);
}

// ---- Sound settings --------------------------------------------------------------

void GrooveController::setDefaults() {
    const EditScope edit(*this, "Default Sounds");
    loadDefaultSounds(s_);
    soundsLoaded();
}

void GrooveController::setPrev() {
    const EditScope edit(*this, "Previous Sounds");
    if (previousSoundsRecorded(s_)) restorePreviousSounds(s_);
    soundsLoaded();
}

// After the rows took other sounds and volumes: the output, the velocities and the panel.
void GrooveController::soundsLoaded() {
    initQT();
    initVOL(s_);
    setVOL(s_);
    displayVolume();
    displaySounds();
}

// ---- Clear and undo --------------------------------------------------------------

void GrooveController::cleanBufs() {
    const EditScope edit(*this, s_.undoTOG != 0 ? "Revert" : "Clear");
    showUndoButton(pattaplex::cleanBufs(s_));
    out_.requestRedraw();
    displaySounds();
}

void GrooveController::undoClear() {
    const EditScope edit(*this, "Revert");
    pattaplex::undoClear(s_);
    displaySounds();
    out_.requestRedraw();
}

// ---- Presets and the randomiser --------------------------------------------------

void GrooveController::doPreset(int tag) {
    const EditScope edit(*this, "Preset");
    const PresetOutcome outcome = pattaplex::doPreset(s_, tag, clock_);
    if (outcome.name) grooveFile_.clear();  // a preset is saved only where the user says
    if (outcome.name) out_.setFileField(*outcome.name);
    if (outcome.kitTitle) out_.setKitTitle(*outcome.kitTitle);
    showGroove();
    initQT();
    out_.requestRedraw();
}

void GrooveController::doRandom(int mode) {
    const EditScope edit(*this, "Randomise");
    s_.randTOG = mode;
    randomize(s_, clock_);
    s_.dataTOG = 1;
    if (mode == 1 || mode == 4) displayVolume();
    if (mode == 2 || mode == 5) displaySounds();
    showUndoButton(kRevertTitle);
    out_.requestRedraw();
}

// ---- Note output -----------------------------------------------------------------

void GrooveController::initQT() {
    const bool playing = sound_.clockRunning();
    sound_.initQT(s_.KIT);
    // A refused kit halts the clock: nothing is playing any more.
    if (playing && !sound_.clockRunning()) showPlayhead(-1);
}

void GrooveController::doDEMO() {
    if (!s_.isRowNumber(s_.DEMO)) return;
    const DrumRow& row = s_.row(s_.DEMO);
    sound_.audition(row.DR, row.DV);
}

void GrooveController::setTest(int row) {
    s_.DEMO = row;
    doDEMO();
    out_.requestRedraw();  // the grid marks the selected row
}

void GrooveController::fixQT() {
    const bool playing = sound_.clockRunning();
    const bool reopened = sound_.reopen(s_.KIT);
    if (playing && !sound_.clockRunning()) showPlayhead(-1);
    if (reopened) {
        const std::string device = sound_.deviceDescription();
        out_.showStatusMessage("Sound restarted" + (device.empty() ? "" : ": " + device));
        return;
    }
    // The status reads "No sound: why"; the alert gives the why.
    std::string why = sound_.soundStatus();
    if (const std::string prefix = "No sound: "; why.starts_with(prefix))
        why.erase(0, prefix.size());
    if (why.empty()) why = "the kit could not be loaded";
    out_.runAlert("Possible QT Problem",
                  "The sound could not be restarted: " + why +
                      ".\n\nSave your project; then quit Pattaplex and start it again.",
                  "I Will");
}

// ---- Transport -------------------------------------------------------------------

void GrooveController::playGroove() {
    if (sound_.clockRunning()) {
        sound_.stopClock();
        if (s_.key == 'p') {
            out_.setPlayTitle("paused");
            showPlayhead(s_.LOOP);  // the step that will sound next
        } else {
            showPlayTitle(false);
        }
        return;
    }
    sound_.startClock();
    // A start the sound side cannot carry out (JACK transport without JACK) says why.
    showPlayTitle(sound_.clockRunning());
}

void GrooveController::showPlayTitle(bool playing) {
    if (playing) {
        out_.setPlayTitle("STOP");
        s_.DEMO = 0;
        return;
    }
    out_.setPlayTitle("PLAY");
    s_.LOOP = 0;
    out_.setCount("0:0");
    showPlayhead(-1);
}

void GrooveController::setMidi(const MidiSettings& midi) {
    const bool wasLink = midi_.sync == SyncSource::Link;
    midi_ = midi;
    const bool wasRunning = sound_.clockRunning();
    transportGivesTempo_ = false;  // until the transport's master says
    sound_.setMidi(midi_);
    // Handing the clock to MIDI clock or JACK transport stops playback; they start it.
    if (wasRunning && !sound_.clockRunning()) showPlayTitle(false);
    out_.showTempoSource(tempoSource(), !tempoSetOutside());
    const bool link = midi_.sync == SyncSource::Link;
    if (link != wasLink) out_.setLinkStatus(link ? "Link: 0 peers" : "");
    if (!tempoSetOutside() && !(link && !wasLink)) showTempo();
}

std::string GrooveController::tempoSource() const {
    switch (midi_.sync) {
        case SyncSource::MidiClock:
            return "Tempo from MIDI clock";
        case SyncSource::JackTransport:
            if (midi_.timebaseMaster) return "Tempo to JACK transport";
            return transportGivesTempo_ ? "Tempo from JACK transport"
                                        : "Position from JACK transport";
        case SyncSource::Link:
            return "Tempo shared with Link";
        case SyncSource::Internal:
            break;
    }
    return "";
}

void GrooveController::followedTransport(bool playing, const std::string& why) {
    showPlayTitle(playing);
    out_.showTempoSource(why.empty() ? tempoSource() : why, !tempoSetOutside());
}

void GrooveController::followedTempo(double bpm) {
    // JACK transport's tempo is its timebase master's; without one the groove keeps its own.
    if (midi_.sync == SyncSource::JackTransport && !midi_.timebaseMaster &&
        (bpm > 0) != transportGivesTempo_) {
        transportGivesTempo_ = bpm > 0;
        out_.showTempoSource(tempoSource(), !tempoSetOutside());
        if (!transportGivesTempo_) showTempo();
    }
    if (bpm <= 0) return;
    const int shown = static_cast<int>(std::lround(bpm));
    // A Link session's tempo is the groove's too (and saved with it); an outside clock's
    // is only shown.
    if (midi_.sync == SyncSource::Link) s_.TEMPO = std::clamp(shown, kSlowestTempo, kFastestTempo);
    out_.setTempoField(shown);
    out_.setTempoSlider(std::clamp(shown, kSlowestTempo, kFastestTempo));
}

void GrooveController::linkPeers(int peers) {
    if (midi_.sync != SyncSource::Link) return;
    out_.setLinkStatus("Link: " + std::to_string(peers) + (peers == 1 ? " peer" : " peers"));
}

void GrooveController::setTempo() {
    if (tempoSetOutside()) return;  // the outside clock's tempo stays shown
    const EditScope edit(*this, "Tempo", "tempo");
    s_.TEMPO = out_.tempoSlider();
    out_.setTempoField(s_.TEMPO);
}

void GrooveController::showTempo() {
    out_.setTempoField(s_.TEMPO);
    out_.setTempoSlider(s_.TEMPO);
}

void GrooveController::showGroove() {
    showTempo();
    showFeel();
    displayVolume();
    displaySounds();
}

void GrooveController::stepSounded(int nextStep) {
    const int sub = s_.SUB > 0 ? s_.SUB : 1;
    out_.setCount(std::to_string(nextStep / sub + 1) + ":" + std::to_string(nextStep + 1));
    followPlayhead();
}

void GrooveController::loopWrapping() {
    randomize(s_, clock_);
    showUndoButton();
    out_.requestRedraw();
    displaySounds();
}

// ---- Mouse -----------------------------------------------------------------------

void GrooveController::mouseDown(float x, float y) {
    const EditScope edit(*this, "Step");
    painter_.end();
    s_.ptX = x;
    s_.ptY = y;
    const auto at = grid::cellAt(x, y, s_.left, s_.LNG);
    s_.G = at ? at->column : -1;
    if (at) {
        DrumRow& row = s_.row(at->row);
        int32_t& cell = row.BUF[static_cast<size_t>(at->column)];
        cell = cell == 0 ? row.DR : 0;
        if (cell != 0) s_.DEMO = at->row;
        row.rememberVolume(row.DV);
        row.VOL[static_cast<size_t>(at->column)] = row.DV;
        painter_.begin(*at, cell != 0, x, y);
    }
    out_.requestRedraw();
    // A click beside the grid still lets the selected row be heard, but changes nothing.
    if (s_.DEMO != 0) {
        doDEMO();
        if (at) s_.dataTOG = 1;
    }
}

void GrooveController::setPos() {
    const EditScope edit(*this, "Set Volumes");
    for (DrumRow& row : s_.rows) row.rememberVolume(row.DV);
    setVOL(s_);
    displayVolume();
    s_.GRID = 1;
    out_.requestRedraw();
}

// ---- Control panel ---------------------------------------------------------------

void GrooveController::displayNotes() {
    displayNames(false);
}

void GrooveController::displayDrums() {
    displayNames(true);
}

void GrooveController::displayNames(bool drums) {
    const std::vector<std::string> names = splitNames(drums ? DRnames : roots);
    for (int n = 1; n <= kRowCount; ++n) {
        const int i = noteIndex(s_.row(n).DR);
        // A note without a name leaves the row's name field as it was.
        if (i >= 0 && i < kNamedNotes) out_.setSoundName(n, names[static_cast<size_t>(i)]);
        out_.setSoundSelector(n, i);
    }
    // Only a kit of the refreshed kind names itself; any other keeps the field's text.
    if (s_.isDrumKit() == drums)
        if (auto name = kitName(s_.KIT)) out_.setKitField(*name);
}

void GrooveController::displaySounds() {
    if (s_.KIT <= 1000)
        displayNotes();
    else
        displayDrums();
    // The kit button names what plays, however the kit was chosen.
    out_.setKitTitle(kitName(s_.KIT).value_or("Kit"));
}

void GrooveController::displayVolume() {
    for (int n = 1; n <= kRowCount; ++n) {
        const int32_t volume = s_.row(n).DV;
        out_.setVolumeField(n, volume != 0 ? std::to_string(volume) : "Off");
        out_.setVolumeSlider(n, volume);
    }
}

void GrooveController::setDrum(int row) {
    if (!s_.isRowNumber(row)) return;
    const EditScope edit(*this, "Sound", "sound" + std::to_string(row));
    s_.row(row).DR = static_cast<int32_t>(int64_t{out_.soundSelector(row)} + kLowestNamedNote);
    displaySounds();
}

void GrooveController::setVolume(int row) {
    if (!s_.isRowNumber(row)) return;
    const EditScope edit(*this, "Volume", "volume" + std::to_string(row));
    DrumRow& r = s_.row(row);
    // Every row remembers its volume, so a mute can bring it back; a drag remembers the
    // volume from before it, not the values it passed through.
    if (row != volumeDragRow_) r.rememberVolume(r.DV);
    r.DV = out_.volumeSlider(row);
    out_.setVolumeField(row, r.DV != 0 ? std::to_string(r.DV) : "Off");
}

void GrooveController::beginVolumeDrag(int row) {
    if (!s_.isRowNumber(row)) return;
    s_.row(row).rememberVolume(s_.row(row).DV);
    volumeDragRow_ = row;
}

void GrooveController::endVolumeDrag() {
    volumeDragRow_ = 0;
    history_.endMerge();  // the next drag is an edit of its own
}

void GrooveController::setKit(int kit) {
    const EditScope edit(*this, "Kit");
    s_.oldKIT = s_.KIT;
    s_.KIT = kit;
    initQT();
    displaySounds();
}

void GrooveController::setBars(int bars) {
    const EditScope edit(*this, "Grid Size");
    s_.BARS = bars;
    gridResized(true);
}

void GrooveController::setBeats(int beats) {
    const EditScope edit(*this, "Grid Size");
    s_.BEATS = beats;
    gridResized(true);
}

void GrooveController::setDiv(int sub) {
    const EditScope edit(*this, "Grid Size");
    s_.SUB = sub;
    gridResized(true);
    showFeel();  // swing needs pairs of steps
}

void GrooveController::gridResized(bool clear) {
    if (clear) clearBufs(s_);
    if (const std::string why = tooManySteps(s_); !why.empty()) out_.showStatusMessage(why);
    out_.requestRedraw();
}

// ---- Quitting --------------------------------------------------------------------

void GrooveController::quit() {
    if (s_.dataTOG == 0) {
        out_.quitApplication();
        return;
    }
    const int answer = out_.runAlert(
        "YOU HAVE UNSAVED DATA",
        "\"" + s_.lastFile + "\" has changes that are not saved. WANT TO SAVE YOUR PROJECT FIRST?",
        "SAVE", "QUIT", "CANCEL");
    if (answer == 1) {
        // Saving here always means the groove itself.
        s_.saveSET = 0;
        s_.exportMIDI = 0;
        saveFile();
    } else if (answer == 0) {
        out_.quitApplication();
    }
}

}  // namespace pattaplex
