#pragma once
// Every action and event handler of the drum machine's window, written against the
// window's outlets and the sound interface so that each can run without a display.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "Command.h"
#include "GrooveState.h"
#include "Outlets.h"
#include "Sound.h"
#include "edit_history.h"
#include "key_table.h"
#include "paint.h"
#include "randomizer.h"
#include "tap_tempo.h"

namespace pattaplex {

class GrooveController : public ClockListener {
  public:
    GrooveController(GrooveState& state, Outlets& outlets, Sound& sound,
                     SecondsClock clock = systemSeconds, std::FILE* out = stdout);

    GrooveState& state() { return s_; }

    // The user's desktop folder, under which the default folders for grooves, drum sets,
    // MIDI and audio files lie. Unless the window program sets it: $HOME/Desktop.
    void setDesktopFolder(std::string folder) { desktop_ = std::move(folder); }
    std::string desktopFolder() const;
    // Where the window's audio export proposes to write: the folder beside the other
    // saves, and the groove's name as a file name.
    std::string audioExportFolder() const;
    std::string audioExportName() const;

    // The toolkit's version number, printed when a MIDI export begins.
    void setToolkitVersion(int version) { toolkitVersion_ = version; }

    // Start-up: the start-up values, the greeting banner, then the defaults.
    void awakeFromNib();

    // Sound settings.
    void setDefaults();
    void setPrev();

    // Clear and undo.
    void cleanBufs();
    void undoClear();

    // Presets (tag 1..12) and the randomiser (mode 1..5).
    void doPreset(int tag);
    void doRandom(int mode);

    // Row buttons (row 1..10) and the sound fix.
    void setTest(int row);
    void fixQT();

    // MIDI out and the clock followed. While an outside clock sets the tempo (a MIDI clock,
    // or JACK transport unless we are its timebase master), the tempo field shows its tempo
    // and cannot be changed; a Link session's tempo is everyone's, ours included.
    void setMidi(const MidiSettings& midi);
    const MidiSettings& midi() const { return midi_; }
    bool tempoSetOutside() const {
        return midi_.sync == SyncSource::MidiClock ||
               (midi_.sync == SyncSource::JackTransport && !midi_.timebaseMaster &&
                transportGivesTempo_);
    }
    // Where the tempo comes from, as the window says it; "" for the groove's own.
    std::string tempoSource() const;

    // Transport.
    void playGroove();
    void setTempo();  // reads the tempo slider

    // Mouse and keyboard. The click is in view coordinates, origin bottom-left. A key is
    // its character after the layout applied the modifiers, with the modifier flags.
    void mouseDown(float x, float y);
    void setPos();
    void keyDown(char32_t character, uint32_t modifiers);

    // Runs a command from a menu or a button. A command of the key table works exactly
    // as its key does; `value` is the row, tag or size the command needs.
    void run(Command command, int value = 0);

    // Control panel.
    void displayNotes();
    void displayDrums();
    void displaySounds();  // displayNotes or displayDrums by KIT
    void displayVolume();
    void setDrum(int row);    // reads the row's sound selector
    void setVolume(int row);  // reads the row's volume slider
    // A press on a row's volume slider and its release: the drag between is one change.
    void beginVolumeDrag(int row);
    void endVolumeDrag();
    void setKit(int kit);
    void setBars(int bars);
    void setBeats(int beats);
    void setDiv(int sub);

    // Files. A groove saved or opened has a file of its own, to which saveFile writes
    // at once; saveFileAs always asks where.
    void saveFile();
    void saveFileAs();
    void saveDrums();
    void saveMIDI();
    void openFile();
    void openDrums();
    void savePanelDidEnd(bool confirmed, const std::string& path);
    void openPanelDidEnd(bool confirmed, const std::string& path);
    // Opens a file named at start-up, dropped or chosen from the recent ones as the open
    // sheet would: a drum set when it ends in ".set", a groove otherwise.
    void openPath(const std::string& path);

    // Quitting, asking first when there are unsaved changes.
    void quit();

    // The groove's feel. The wheel over an active step raises or lowers its velocity by 8
    // a notch (1 when fine) within 1..127; a right-click opens the step editor, which
    // sets a step's velocity, repeats and chance. Each change is one step of undo, marks
    // the groove unsaved and plays the row at the step's velocity.
    void wheelStep(float x, float y, int notches, bool fine);
    void openStepEditor(float x, float y);
    void setStepFeel(int row, int step, int velocity, int repeats, int chance);
    void setSwing(int percent);  // 50..75
    void setHumanise(int ms, int velocity);

    // Step clock notifications.
    void stepSounded(int nextStep) override;
    void loopWrapping() override;
    // The sound side's one word to the window about whether it can be heard.
    void soundStatusChanged(const std::string& status) override { out_.setSoundStatus(status); }
    void followedTransport(bool playing, const std::string& why) override;
    void followedTempo(double bpm) override;
    void linkPeers(int peers) override;

    // Comforts beyond the grid's own keys: drag painting (after a mouseDown), undo and
    // redo of whole edits, typed and tapped tempo, the playhead.
    void mouseDragged(float x, float y);
    void mouseUp();
    void undoEdit();
    void redoEdit();
    void typeTempo(int bpm);  // clamped to 40..240, shown at once
    void tapTempo();
    // While playing, every few milliseconds: highlights the step being heard.
    void followPlayhead();
    const EditHistory& history() const { return history_; }
    // Seconds on a steady clock, for tapping; tests move it by hand.
    void setSteadyClock(std::function<double()> clock) { steady_ = std::move(clock); }

  private:
    class EditScope;
    void finishEdit(const GrooveState& before, const std::string& name,
                    const std::string& mergeKey);
    void showHistory();
    // Titles the clear/undo button by what a press does next: "Clear" while there is no
    // clear to undo, else `word`, or the title it has unless that says "Clear".
    void showUndoButton(const char* word = nullptr);
    void afterHistoryStep(int oldKit);
    void fileOpened(const std::string& path);
    void showTitle();
    void beginSave();
    void openGroove(const std::string& path);
    void openDrumSet(const std::string& path);
    // Runs `open` once the unsaved groove is saved or given up, as the user answers;
    // `opening` names what is to be opened, "" when the open sheet is still to choose.
    void confirmReplacing(const std::string& opening, std::function<void()> open);
    void showPlayhead(int step);

    void initQT();
    void displayNames(bool drums);
    void doDEMO();
    void showTempo();
    void showPlayTitle(bool playing);
    void showFeel();
    void stepFeelChanged(int row, int velocity);
    // After the grid size was set: the clear the size buttons make, and the reason when
    // the drawing pass will lower the bars.
    void gridResized(bool clear);
    // The tempo, volume and sound controls as the groove now holds them.
    void showGroove();
    void soundsLoaded();
    void handleArrow(char32_t key);
    void toggleMute(int row);
    void perform(Command command, int value);
    void finishKey();
    void randomizeBy(int mode);

    GrooveState& s_;
    Outlets& out_;
    Sound& sound_;
    SecondsClock clock_;
    std::FILE* stdout_;
    int toolkitVersion_ = 0;

    EditHistory history_;
    int editDepth_ = 0;
    std::string editName_, editMergeKey_;
    Painter painter_;
    int playhead_ = -1;
    TapTempo taps_;
    std::function<double()> steady_;
    std::string desktop_;
    int volumeDragRow_ = 0;            // the row whose volume slider is held, or 0
    std::string grooveFile_;           // where the groove was saved or opened from, or ""
    std::function<void()> afterSave_;  // an open waiting for the groove to be saved
    MidiSettings midi_;
    bool transportGivesTempo_ = false;  // JACK transport's timebase master gives a tempo
    std::string undoTitle_;             // as the clear/undo button shows it
};

}  // namespace pattaplex
