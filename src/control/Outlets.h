#pragma once
// The window as the actions see it: its controls (rows counted 1..10), its alerts and
// sheets. The Qt window implements it; tests stand in for it.

#include <string>

namespace pattaplex {

class Outlets {
  public:
    virtual ~Outlets() = default;

    // Buttons and labels.
    virtual void setUndoTitle(const std::string& title) = 0;    // the clear/undo button
    virtual void setPlayTitle(const std::string& title) = 0;    // "PLAY", "STOP", "paused"
    virtual void setKitTitle(const std::string& title) = 0;     // the kit button
    virtual void setCount(const std::string& text) = 0;         // playback position
    virtual void setInfText(const std::string& text) = 0;       // infinite-random label
    virtual void setKitField(const std::string& text) = 0;      // kit or instrument name
    virtual void setFileField(const std::string& text) = 0;     // groove name
    virtual void setDrumSetField(const std::string& text) = 0;  // drum-set name
    // Why there is no sound ("No sound: ..."), or "" when there is.
    virtual void setSoundStatus(const std::string& text) { (void)text; }
    // A passing report in the status line ("Sound restarted: ...").
    virtual void showStatusMessage(const std::string& text) { (void)text; }
    // Whether the desktop is dark, so that the grid starts in its dark scheme.
    virtual bool prefersDarkScheme() const { return false; }
    // The window's title: the groove's name, marked while unsaved.
    virtual void setTitle(const std::string& title) { (void)title; }

    // Tempo slider and field.
    virtual int tempoSlider() const = 0;
    virtual void setTempoSlider(int bpm) = 0;
    virtual void setTempoField(int bpm) = 0;
    // Where the tempo comes from ("" for the groove's own), and whether it can be changed.
    virtual void showTempoSource(const std::string& source, bool editable) {
        (void)source, (void)editable;
    }
    // The Link session as the transport area shows it ("Link: 2 peers"), "" when Link is
    // off; the "Link" toggle is on exactly while it is not "".
    virtual void setLinkStatus(const std::string& status) { (void)status; }

    // Per-row controls.
    virtual int soundSelector(int row) const = 0;  // note - 35
    virtual void setSoundSelector(int row, int value) = 0;
    virtual void setSoundName(int row, const std::string& name) = 0;
    virtual int volumeSlider(int row) const = 0;
    virtual void setVolumeSlider(int row, int value) = 0;
    virtual void setVolumeField(int row, const std::string& text) = 0;  // number or "Off"

    // The groove's swing (and whether the grid lets it swing) and humanise.
    virtual void showFeel(int swing, bool swingApplies, int humaniseMs, int humaniseVelocity) {
        (void)swing, (void)swingApplies, (void)humaniseMs, (void)humaniseVelocity;
    }
    // Opens the step editor ("Step") on a step of a row (1..10) with its values; its
    // changes come back through the controller's setStepFeel.
    virtual void showStepEditor(int row, int step, int velocity, int repeats, int chance) {
        (void)row, (void)step, (void)velocity, (void)repeats, (void)chance;
    }

    // Ask for the grid to be drawn again after the current event.
    virtual void requestRedraw() = 0;
    // The step to highlight as playing, or -1 for none.
    virtual void showPlayhead(int step) { (void)step; }
    // Names of the edits undo and redo would take back; empty when there is none.
    virtual void showEditHistory(const std::string& undoName, const std::string& redoName) {
        (void)undoName, (void)redoName;
    }
    // A groove or drum set was opened from `path`.
    virtual void noteOpenedFile(const std::string& path) { (void)path; }

    // A modal alert; returns 1 for the first button, 0 for the second, -1 for the third.
    virtual int runAlert(const std::string& title, const std::string& message,
                         const std::string& first, const std::string& second = {},
                         const std::string& third = {}) = 0;
    // An informational sheet on the window with one OK button; not waited for.
    virtual void showSheet(const std::string& title, const std::string& message) = 0;
    // Window-modal save and open sheets in `folder` proposing `name`. When dismissed
    // they call the controller's savePanelDidEnd / openPanelDidEnd. A save sheet's name
    // ends in the kind's extension; an open sheet is told it as `extension` (e.g. "grv").
    virtual void beginSaveSheet(const std::string& folder, const std::string& name) = 0;
    virtual void beginOpenSheet(const std::string& folder, const std::string& name,
                                const std::string& extension) = 0;
    // The audio export's own dialog, which renders and writes the file.
    virtual void beginAudioExport() {}
    // End the program with status 0.
    virtual void quitApplication() = 0;
};

}  // namespace pattaplex
