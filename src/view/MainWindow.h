#pragma once
// The drum machine's window: the grid, each row's controls beside it, the panel of
// transport, grid size, kit, presets, randomiser and files, and the File menu. It is
// the controller's outlets; every control hands its action straight to the controller.

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <functional>
#include <memory>

#include "AudioExportDialog.h"
#include "Command.h"
#include "FeelControls.h"
#include "GridView.h"
#include "LevelMeter.h"
#include "MidiMenu.h"
#include "Outlets.h"
#include "RowPanel.h"
#include "Sound.h"
#include "StepEditor.h"

namespace pattaplex {

class GrooveController;

class MainWindow : public QMainWindow, public Outlets {
    Q_OBJECT
  public:
    explicit MainWindow(GrooveState& state, QWidget* parent = nullptr);

    // Connects the controls to the controller; until then they do nothing.
    void attach(GrooveController& controller);
    // Connects the master volume and the level meter to the sound output.
    void attachSound(Sound& sound);

    GridView* gridView() const { return grid_; }
    RowPanel* rowPanel() const { return rows_; }

    // Outlets.
    void setUndoTitle(const std::string& title) override;
    void setPlayTitle(const std::string& title) override;
    void setKitTitle(const std::string& title) override;
    void setCount(const std::string& text) override;
    void setSoundStatus(const std::string& text) override;
    void showStatusMessage(const std::string& text) override;
    void setTitle(const std::string& title) override;
    bool prefersDarkScheme() const override;
    void setInfText(const std::string& text) override;
    void setKitField(const std::string& text) override;
    void setFileField(const std::string& text) override;
    void setDrumSetField(const std::string& text) override;
    int tempoSlider() const override;
    void setTempoSlider(int bpm) override;
    void setTempoField(int bpm) override;
    void showTempoSource(const std::string& source, bool editable) override;
    void setLinkStatus(const std::string& status) override;

    // The MIDI menu's choices, as remembered; set from outside (the command line) they
    // are shown and taken, not remembered.
    MidiSettings midiSettings() const;
    void setMidiSettings(const MidiSettings& midi);
    int soundSelector(int row) const override;
    void setSoundSelector(int row, int value) override;
    void setSoundName(int row, const std::string& name) override;
    int volumeSlider(int row) const override;
    void setVolumeSlider(int row, int value) override;
    void setVolumeField(int row, const std::string& text) override;
    void requestRedraw() override;
    int runAlert(const std::string& title, const std::string& message, const std::string& first,
                 const std::string& second, const std::string& third) override;
    void showSheet(const std::string& title, const std::string& message) override;
    void beginSaveSheet(const std::string& folder, const std::string& name) override;
    void beginOpenSheet(const std::string& folder, const std::string& name,
                        const std::string& extension) override;
    void beginAudioExport() override;
    void quitApplication() override;
    void showPlayhead(int step) override;
    void showEditHistory(const std::string& undoName, const std::string& redoName) override;
    void noteOpenedFile(const std::string& path) override;
    void showFeel(int swing, bool swingApplies, int humaniseMs, int humaniseVelocity) override;
    void showStepEditor(int row, int step, int velocity, int repeats, int chance) override;

    // Draws the window once before it is first shown, so that it shows no blank frame.
    void prepareFirstFrame();
    // Renders and writes an audio export; set before the first export.
    void setAudioExportJob(AudioExportJob job);
    AudioExporter* audioExporter() const { return exporter_; }
    QAction* undoAction() const { return undoAction_; }
    QAction* redoAction() const { return redoAction_; }
    QLineEdit* tempoEntry() const { return tempoField_; }
    // Grooves and drum sets opened lately, newest first.
    QStringList recentFiles() const;

    // The panel's texts as they are shown, for checking the window.
    QString undoTitle() const { return undo_->text(); }
    QString playTitle() const { return play_->text(); }
    QString kitTitle() const { return kit_->text(); }
    QString countText() const { return count_->text(); }
    QString infText() const { return inf_->text(); }
    QString kitFieldText() const { return kitField_->text(); }
    QString fileFieldText() const { return fileField_->text(); }
    QString tempoFieldText() const { return tempoField_->text(); }

    // The buttons of the panel by what they do.
    QAbstractButton* barsButton(int bars) const { return bars_->button(bars); }
    QAbstractButton* beatsButton(int beats) const { return beats_->button(beats); }
    QAbstractButton* divisionButton(int sub) const { return division_->button(sub); }
    QAbstractButton* kitButton(int kit) const { return kits_->button(kit); }
    QAbstractButton* presetButton(int tag) const { return presets_->button(tag); }
    QAbstractButton* randomButton(int mode) const { return random_->button(mode); }
    QSlider* tempoControl() const { return tempo_; }
    QSlider* masterVolumeControl() const { return masterVolume_; }
    LevelMeter* levelMeter() const { return meter_; }
    FeelControls* feelControls() const { return feel_; }
    StepEditor* stepEditor() const { return stepEditor_; }

    // Ends the program with status 0; tests put a recorder in its place.
    std::function<void()> exitProgram;

  signals:
    void gridPainted();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QWidget* buildTransport();
    QLayout* buildOutput();
    QWidget* buildGridSize();
    QWidget* buildGrooveInfo();
    QWidget* buildKits();
    QWidget* buildPresets();
    QWidget* buildRandom();
    void buildMenus();
    void showAbout();
    void nameRowKeys();
    void showSelections();
    void makeTypable(QWidget* field);
    void fillRecentMenu();
    void exportAudio();
    void fitStatusLine();

    template <typename Action>
    void toController(Action action);
    void run(Command command, int value = 0);

    GrooveState& state_;
    GrooveController* controller_ = nullptr;

    GridView* grid_ = nullptr;
    RowPanel* rows_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* undo_ = nullptr;
    QToolButton* kit_ = nullptr;
    QSlider* tempo_ = nullptr;
    QLineEdit* tempoField_ = nullptr;
    QLabel* tempoSource_ = nullptr;
    QCheckBox* link_ = nullptr;
    QLabel* linkStatus_ = nullptr;
    std::unique_ptr<MidiMenu> midiMenu_;
    QSlider* masterVolume_ = nullptr;
    LevelMeter* meter_ = nullptr;
    FeelControls* feel_ = nullptr;
    StepEditor* stepEditor_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* soundStatus_ = nullptr;  // in the status bar, made when first needed
    QLabel* inf_ = nullptr;
    QLabel* kitField_ = nullptr;
    QLabel* fileField_ = nullptr;
    QLabel* drSet_ = nullptr;
    QButtonGroup* bars_ = nullptr;
    QButtonGroup* beats_ = nullptr;
    QButtonGroup* division_ = nullptr;
    QButtonGroup* kits_ = nullptr;
    QButtonGroup* presets_ = nullptr;
    QButtonGroup* random_ = nullptr;
    QButtonGroup* rowButtons_ = nullptr;
    QPushButton* setVol_ = nullptr;
    QPushButton* defaults_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* fixSound_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    AudioExporter* exporter_ = nullptr;
};

}  // namespace pattaplex
