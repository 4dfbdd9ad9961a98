#include "MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProxyStyle>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>

#include "Dialogs.h"
#include "GrooveController.h"
#include "KeyMenus.h"
#include "clear_undo.h"
#include "names.h"
#include "native_paths.h"
#include "presets.h"

namespace pattaplex {

namespace {

constexpr int kRecentFiles = 10;
constexpr int kStatusMessageMs = 8000;  // how long a passing word stays
const char* const kRecentKey = "recentFiles";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QPushButton* choiceButton(const QString& text, QButtonGroup* group, int id) {
    auto* button = new QPushButton(text);
    button->setCheckable(true);
    group->addButton(button, id);
    return button;
}

// A row of small checkable buttons for the values `first`..`last`, after a caption.
QButtonGroup* numberChoices(QGridLayout* layout, int row, const QString& caption, int first,
                            int last, QObject* owner) {
    auto* group = new QButtonGroup(owner);
    layout->addWidget(new QLabel(caption), row, 0);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    for (int value = first; value <= last; ++value) {
        QPushButton* button = choiceButton(QString::number(value), group, value);
        button->setAccessibleName(caption + " " + QString::number(value));  // "Bars 3"
        button->setFixedWidth(28);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons, row, 1);
    return group;
}

// Alt with a digit mutes a row here, so a lone Alt press must not take the keyboard to
// the menu bar, as some styles make it.
class NoAltMenuStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_MenuBar_AltKeyNavigation) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

void checkOnly(QButtonGroup* group, int id) {
    const QSignalBlocker blocker(group);
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons()) button->setChecked(group->id(button) == id);
    group->setExclusive(true);
}

QLabel* valueLabel(const QString& text = {}) {
    auto* label = new QLabel(text);
    label->setFrameShape(QFrame::StyledPanel);
    label->setMinimumWidth(60);
    return label;
}

}  // namespace

MainWindow::MainWindow(GrooveState& state, QWidget* parent)
    : QMainWindow(parent), exitProgram([] { QCoreApplication::exit(0); }), state_(state) {
    setWindowTitle(QStringLiteral("Pattaplex"));
    // The chosen bars, beats, steps per beat and kit must stand out at a glance.
    setStyleSheet(
        QStringLiteral("QPushButton:checked { background-color: palette(highlight);"
                       " color: palette(highlighted-text); border: 1px solid palette(dark);"
                       " border-radius: 3px; padding: 3px 6px; }"));

    grid_ = new GridView(state_);
    rows_ = new RowPanel;
    auto* top = new QHBoxLayout;
    // The grid takes the room the window gives; the rows stay level with its bands.
    top->addWidget(grid_, 1);
    top->addWidget(rows_, 0);
    rows_->alignWith(grid_);
    nameRowKeys();

    auto* firstRow = new QHBoxLayout;
    firstRow->addWidget(buildTransport(), 3);
    firstRow->addWidget(buildGridSize(), 2);
    firstRow->addWidget(buildGrooveInfo(), 2);
    auto* secondRow = new QHBoxLayout;
    secondRow->addWidget(buildKits(), 4);
    secondRow->addWidget(buildPresets(), 3);
    secondRow->addWidget(buildRandom(), 1);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(top, 1);
    layout->addLayout(firstRow, 0);
    layout->addLayout(secondRow, 0);
    setCentralWidget(central);
    buildMenus();

    // Tab and Shift+Tab reach every control and come back to the grid; a click leaves
    // the keyboard with the grid, so Space, the arrows and the letters reach its keys.
    for (QWidget* control : central->findChildren<QWidget*>())
        if (control != grid_ && control->focusPolicy() != Qt::NoFocus)
            control->setFocusPolicy(Qt::TabFocus);
    for (QButtonGroup* choice : {bars_, beats_, division_, kits_})
        for (QAbstractButton* button : choice->buttons()) button->installEventFilter(this);
    // The typed fields take the keyboard while they are being typed in.
    makeTypable(tempoField_);
    for (QSpinBox* field : {feel_->swing(), feel_->humaniseTime(), feel_->humaniseVelocity()})
        makeTypable(field);
    stepEditor_ = new StepEditor(this);
    for (int n = 1; n <= kRowCount; ++n) makeTypable(rows_->soundSelector(n));
    grid_->setFocus(Qt::OtherFocusReason);
    setAcceptDrops(true);
    // The status line is shown only while it has something to say.
    statusBar()->hide();
    connect(statusBar(), &QStatusBar::messageChanged, this, &MainWindow::fitStatusLine);

    grid_->onPainted = [this] {
        showSelections();
        if (isVisible()) emit gridPainted();  // not for a drawing made before the window shows
    };
}

// Each row's controls name the keys that do the same.
void MainWindow::nameRowKeys() {
    const QString then = QStringLiteral("; ");
    for (int n = 1; n <= kRowCount; ++n) {
        QWidget* button = rows_->rowButton(n);
        button->setToolTip(withKeys(button->toolTip(), Command::SelectRow, n));
        QWidget* volume = rows_->volumeSlider(n);
        volume->setToolTip(
            withKeys(volume->toolTip() + then + tr("mute / unmute"), Command::ToggleMute, n) +
            then + withKeys(tr("selected row louder"), Command::LouderRow) + then +
            withKeys(tr("softer"), Command::SofterRow));
        QWidget* sound = rows_->soundSelector(n);
        sound->setToolTip(sound->toolTip() + then +
                          withKeys(tr("selected row's next sound"), Command::NextSound) + then +
                          withKeys(tr("previous"), Command::PreviousSound));
    }
}

QWidget* MainWindow::buildTransport() {
    auto* box = new QGroupBox(tr("Transport"));
    auto* layout = new QGridLayout(box);
    play_ = new QPushButton(QStringLiteral("PLAY"));
    play_->setMinimumWidth(90);
    play_->setToolTip(withKeys(tr("Play/Stop"), Command::PlayStop));
    undo_ = new QPushButton(QString::fromLatin1(kClearTitle));
    undo_->setToolTip(tr("Clear the grid, or undo the last clear") + QStringLiteral("; ") +
                      withKeys(tr("clear"), Command::ClearGrid) + QStringLiteral("; ") +
                      withKeys(tr("undo"), Command::UndoClear));
    tempo_ = new QSlider(Qt::Horizontal);
    tempo_->setRange(kSlowestTempo, kFastestTempo);
    tempo_->setToolTip(tr("Tempo") + QStringLiteral("; ") +
                       withKeys(tr("slower"), Command::Slower) + QStringLiteral("; ") +
                       withKeys(tr("faster"), Command::Faster));
    tempoField_ = new QLineEdit;
    tempoField_->setValidator(new QIntValidator(0, 999, tempoField_));
    tempoField_->setMaximumWidth(60);
    tempoField_->setAccessibleName(tr("Tempo in beats per minute"));
    tempo_->setAccessibleName(tr("Tempo"));
    tempoField_->setToolTip(tr("Type a tempo from 40 to 240 and press Enter") +
                            QStringLiteral("; ") + withKeys(tr("tap it"), Command::TapTempo));
    count_ = valueLabel(QStringLiteral("0:0"));
    // It changes at every step: a fixed size keeps the window's layout, and a background
    // of its own keeps the box around it, out of those repaints.
    count_->setFixedSize(count_->minimumWidth(), count_->sizeHint().height());
    count_->setAutoFillBackground(true);
    inf_ = new QLabel(QStringLiteral(" "));
    QFont bold = inf_->font();
    bold.setBold(true);
    inf_->setFont(bold);

    layout->addWidget(play_, 0, 0);
    layout->addWidget(undo_, 0, 1);
    layout->addWidget(new QLabel(tr("Position")), 0, 2, Qt::AlignRight);
    layout->addWidget(count_, 0, 3);
    layout->addWidget(new QLabel(tr("Tempo")), 1, 0);
    layout->addWidget(tempo_, 1, 1, 1, 2);
    layout->addWidget(tempoField_, 1, 3);
    layout->addWidget(inf_, 2, 0, 1, 2);
    // Says where the tempo comes from when it is not the groove's own.
    tempoSource_ = new QLabel;
    tempoSource_->setAccessibleName(tr("Tempo source"));
    tempoSource_->hide();
    layout->addWidget(tempoSource_, 2, 2, 1, 2, Qt::AlignRight);
    layout->addLayout(buildOutput(), 3, 0, 1, 4);
    feel_ = new FeelControls;
    layout->addWidget(feel_, 4, 0, 1, 4);
    // Playing in a Link session, and with how many peers.
    link_ = new QCheckBox(tr("Link"));
    link_->setAccessibleName(tr("Link"));
    link_->setToolTip(tr("Share tempo, bars and start/stop with Link apps on the network"));
    linkStatus_ = new QLabel;
    linkStatus_->setAccessibleName(tr("Link peers"));
    layout->addWidget(link_, 5, 0);
    layout->addWidget(linkStatus_, 5, 1, 1, 3);
    connect(link_, &QCheckBox::clicked, this, [this](bool on) {
        midiMenu_->chooseSync(on ? SyncSource::Link : SyncSource::Internal);
    });

    connect(play_, &QPushButton::clicked, this, [this] { run(Command::Play); });
    connect(undo_, &QPushButton::clicked, this, [this] { run(Command::CleanBufs); });
    connect(tempo_, &QSlider::valueChanged, this,
            [this] { toController(&GrooveController::setTempo); });
    return box;
}

// The master volume and, beside it, the level meter of what goes out.
QLayout* MainWindow::buildOutput() {
    masterVolume_ = new QSlider(Qt::Horizontal);
    masterVolume_->setRange(0, 100);
    masterVolume_->setValue(100);
    masterVolume_->setAccessibleName(tr("Master volume"));
    masterVolume_->setToolTip(tr("Master volume: the level of everything played and exported"));
    meter_ = new LevelMeter;
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Master")));
    row->addWidget(masterVolume_, 2);
    row->addWidget(meter_, 3);
    return row;
}

QWidget* MainWindow::buildGridSize() {
    auto* box = new QGroupBox(tr("Grid"));
    auto* layout = new QGridLayout(box);
    layout->setVerticalSpacing(2);
    bars_ = numberChoices(layout, 0, tr("Bars"), 1, 6, this);
    beats_ = numberChoices(layout, 1, tr("Beats"), 1, 9, this);
    division_ = numberChoices(layout, 2, tr("Steps per beat"), 1, 4, this);
    connect(bars_, &QButtonGroup::idClicked, this, [this](int bars) { run(Command::Bars, bars); });
    connect(beats_, &QButtonGroup::idClicked, this,
            [this](int beats) { run(Command::Beats, beats); });
    connect(division_, &QButtonGroup::idClicked, this,
            [this](int sub) { run(Command::Division, sub); });
    return box;
}

QWidget* MainWindow::buildGrooveInfo() {
    auto* box = new QGroupBox(tr("Groove and sounds"));
    auto* layout = new QGridLayout(box);
    fileField_ = valueLabel();
    fileField_->setAccessibleName(tr("Groove file"));
    drSet_ = valueLabel();
    drSet_->setAccessibleName(tr("Drum set file"));
    setVol_ = new QPushButton(tr("Set Vol"));
    setVol_->setToolTip(tr("Give the selected row's steps its volume"));
    defaults_ = new QPushButton(tr("Defaults"));
    defaults_->setToolTip(tr("The factory sounds and volumes"));
    previous_ = new QPushButton(tr("Previous"));
    previous_->setToolTip(tr("The sounds and volumes before the last change"));
    fixSound_ = new QPushButton(tr("Fix Sound"));
    fixSound_->setToolTip(tr("Reopen the sound output"));

    layout->addWidget(new QLabel(tr("Groove")), 0, 0);
    layout->addWidget(fileField_, 0, 1, 1, 3);
    layout->addWidget(new QLabel(tr("Drum set")), 1, 0);
    layout->addWidget(drSet_, 1, 1, 1, 3);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {setVol_, defaults_, previous_, fixSound_})
        buttons->addWidget(button);
    layout->addLayout(buttons, 2, 0, 1, 4);

    connect(setVol_, &QPushButton::clicked, this, [this] { run(Command::SetVolumes); });
    connect(defaults_, &QPushButton::clicked, this, [this] { run(Command::Defaults); });
    connect(previous_, &QPushButton::clicked, this, [this] { run(Command::Previous); });
    connect(fixSound_, &QPushButton::clicked, this, [this] { run(Command::FixSound); });
    return box;
}

QWidget* MainWindow::buildKits() {
    auto* box = new QGroupBox(tr("Kit"));
    auto* layout = new QGridLayout(box);
    layout->setVerticalSpacing(2);
    kits_ = new QButtonGroup(this);
    auto* drums = new QHBoxLayout;
    auto* instruments = new QGridLayout;
    instruments->setSpacing(2);
    drums->setSpacing(2);
    kit_ = new QToolButton;
    kit_->setText(tr("Kit"));
    kit_->setToolTip(tr("Choose a kit or instrument"));
    kit_->setAccessibleName(tr("Kit menu"));
    kit_->setPopupMode(QToolButton::InstantPopup);
    kit_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* menu = new QMenu(kit_);
    int melodic = 0;
    for (const KitName& entry : kKitNames) {
        const int kit = entry.kit;
        QPushButton* button = choiceButton(QString::fromUtf8(entry.name), kits_, kit);
        if (kit > 1000) {
            drums->addWidget(button);
        } else {
            instruments->addWidget(button, melodic / 6, melodic % 6);
            ++melodic;
        }
        menu->addAction(QString::fromUtf8(entry.name), this,
                        [this, kit] { run(Command::Kit, kit); });
    }
    kit_->setMenu(menu);
    kitField_ = valueLabel();

    layout->addWidget(new QLabel(tr("Drum kits")), 0, 0);
    layout->addLayout(drums, 0, 1);
    layout->addWidget(new QLabel(tr("Instruments")), 1, 0, Qt::AlignTop);
    layout->addLayout(instruments, 1, 1);
    auto* current = new QHBoxLayout;
    current->addWidget(new QLabel(tr("Playing")));
    current->addWidget(kitField_, 1);
    current->addWidget(kit_);
    layout->addLayout(current, 2, 0, 1, 2);

    connect(kits_, &QButtonGroup::idClicked, this, [this](int kit) { run(Command::Kit, kit); });
    return box;
}

QWidget* MainWindow::buildPresets() {
    auto* box = new QGroupBox(tr("Presets"));
    auto* layout = new QGridLayout(box);
    layout->setSpacing(2);
    presets_ = new QButtonGroup(this);
    for (int tag = 1; tag <= kPresetCount; ++tag) {
        auto* button = new QPushButton(qs(presetName(tag).value_or(std::to_string(tag))));
        presets_->addButton(button, tag);
        layout->addWidget(button, (tag - 1) / 4, (tag - 1) % 4);
    }
    connect(presets_, &QButtonGroup::idClicked, this,
            [this](int tag) { run(Command::Preset, tag); });
    return box;
}

QWidget* MainWindow::buildRandom() {
    auto* box = new QGroupBox(tr("Random"));
    auto* layout = new QVBoxLayout(box);
    layout->setSpacing(2);
    random_ = new QButtonGroup(this);
    const struct {
        int mode;
        const char* label;
        Command sameAsKey;
    } modes[] = {{1, "Random velocity", Command::RandomVelocities},
                 {2, "Random drums", Command::RandomDrums},
                 {3, "Random steps", Command::RandomSteps},
                 {4, "Steps + velocity", Command::RandomStepsAndVelocities},
                 {5, "All random", Command::RandomAll}};
    for (const auto& m : modes) {
        auto* button = new QPushButton(tr(m.label));
        button->setToolTip(withKeys(tr(m.label), m.sameAsKey));
        random_->addButton(button, m.mode);
        layout->addWidget(button);
    }
    connect(random_, &QButtonGroup::idClicked, this,
            [this](int mode) { run(Command::Random, mode); });
    return box;
}

void MainWindow::buildMenus() {
    // No mnemonics: Alt with a letter belongs to the grid's keys.
    const RunCommand runCommand = [this](Command command, int value) { run(command, value); };
    QMenu* file = menuBar()->addMenu(tr("File"));
    auto add = [file, &runCommand](Command command) {
        return addCommandItem(file, command, 0, runCommand);
    };
    add(Command::OpenGroove);
    recentMenu_ = file->addMenu(tr("Open Recent"));
    connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
    add(Command::SaveGroove);
    add(Command::SaveGrooveAs);
    file->addSeparator();
    add(Command::OpenDrumSet);
    add(Command::SaveDrumSet);
    file->addSeparator();
    add(Command::ExportMidi);
    add(Command::ExportAudio);
    file->addSeparator();
    add(Command::Quit)->setMenuRole(QAction::QuitRole);

    QMenu* edit = menuBar()->addMenu(tr("Edit"));
    undoAction_ = addCommandItem(edit, Command::UndoEdit, 0, runCommand);
    redoAction_ = addCommandItem(edit, Command::RedoEdit, 0, runCommand);
    showEditHistory({}, {});

    addKeyMenus(*menuBar(), runCommand);
    midiMenu_ = std::make_unique<MidiMenu>(*menuBar(), [this](const MidiSettings& midi) {
        toController([midi](GrooveController& c) { c.setMidi(midi); });
    });
    for (QAction* menu : menuBar()->actions())
        if (menu->menu() && menu->text() == tr("Help"))
            menu->menu()->addAction(tr("About Pattaplex"), this, &MainWindow::showAbout);
    // F10 takes the keyboard to the menu bar, from the grid or any control.
    auto* toMenus = new QAction(this);
    toMenus->setShortcut(QKeySequence(Qt::Key_F10));
    toMenus->setShortcutContext(Qt::WindowShortcut);
    connect(toMenus, &QAction::triggered, this, [this] {
        const QList<QAction*> menus = menuBar()->actions();
        if (!menus.isEmpty()) menuBar()->setActiveAction(menus.first());
    });
    addAction(toMenus);

    auto* style = new NoAltMenuStyle;
    style->setParent(menuBar());
    menuBar()->setStyle(style);
    // However a menu closes, the grid has the keyboard again afterwards.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToHide, this, [this] {
            QTimer::singleShot(0, grid_, [this] { grid_->setFocus(Qt::OtherFocusReason); });
        });
}

void MainWindow::showAbout() {
    QMessageBox::about(
        this, tr("About Pattaplex"),
        tr("<h3>Pattaplex %1</h3><p>A step-sequencer drum machine: ten drum rows by up to 54 "
           "steps, played in a loop through a General MIDI synthesizer.</p><p>Pattaplex is free "
           "software under the GNU General Public License, version 3 or (at your option) any "
           "later version.</p>")
            .arg(QStringLiteral(PATTAPLEX_VERSION)));
}

void MainWindow::attach(GrooveController& controller) {
    controller_ = &controller;
    for (int n = 1; n <= kRowCount; ++n) {
        connect(rows_->rowButton(n), &QPushButton::clicked, this, [this, n] {
            run(Command::Audition, n);
            showSelections();  // a click must not leave the button's own check standing
        });
        connect(rows_->soundSelector(n), &QSpinBox::valueChanged, this,
                [this, n] { toController([n](GrooveController& c) { c.setDrum(n); }); });
        connect(rows_->volumeSlider(n), &QSlider::valueChanged, this,
                [this, n] { toController([n](GrooveController& c) { c.setVolume(n); }); });
        connect(rows_->volumeSlider(n), &QSlider::sliderPressed, this,
                [this, n] { toController([n](GrooveController& c) { c.beginVolumeDrag(n); }); });
        connect(rows_->volumeSlider(n), &QSlider::sliderReleased, this,
                [this] { toController(&GrooveController::endVolumeDrag); });
    }
    grid_->onClick = [this](float x, float y) {
        toController([x, y](GrooveController& c) { c.mouseDown(x, y); });
    };
    grid_->onDrag = [this](float x, float y) {
        toController([x, y](GrooveController& c) { c.mouseDragged(x, y); });
    };
    grid_->onRelease = [this] { toController(&GrooveController::mouseUp); };
    grid_->onWheel = [this](float x, float y, int notches, bool fine) {
        toController([=](GrooveController& c) { c.wheelStep(x, y, notches, fine); });
    };
    grid_->onStepMenu = [this](float x, float y) {
        toController([x, y](GrooveController& c) { c.openStepEditor(x, y); });
    };
    stepEditor_->onChange = [this](int row, int step, int velocity, int repeats, int chance) {
        toController(
            [=](GrooveController& c) { c.setStepFeel(row, step, velocity, repeats, chance); });
    };
    feel_->onSwing = [this](int percent) {
        toController([percent](GrooveController& c) { c.setSwing(percent); });
    };
    feel_->onHumanise = [this](int ms, int velocity) {
        toController([ms, velocity](GrooveController& c) { c.setHumanise(ms, velocity); });
    };
    grid_->onKey = [this](char32_t character, uint32_t modifiers) {
        toController(
            [character, modifiers](GrooveController& c) { c.keyDown(character, modifiers); });
    };
}

void MainWindow::attachSound(Sound& sound) {
    // The slider follows the ear: the gain is the cube of its share, so 50 % is -18 dB.
    auto gain = [](int percent) { return static_cast<float>(std::pow(percent / 100.0, 3)); };
    sound.setMasterVolume(gain(masterVolume_->value()));
    connect(masterVolume_, &QSlider::valueChanged, this,
            [&sound, gain](int percent) { sound.setMasterVolume(gain(percent)); });
    meter_->setSource([&sound] { return sound.outputPeak(); },
                      [&sound] { return sound.clockRunning(); });
}

template <typename Action>
void MainWindow::toController(Action action) {
    if (!controller_) return;
    std::invoke(action, *controller_);
    meter_->wake();  // most actions may sound: start, audition, a kit or a new groove
}

void MainWindow::run(Command command, int value) {
    toController([command, value](GrooveController& c) { c.run(command, value); });
}

// The selectors show the grid size and kit the groove holds, however they were set.
void MainWindow::showSelections() {
    checkOnly(bars_, state_.BARS);
    checkOnly(beats_, state_.BEATS);
    checkOnly(division_, state_.SUB);
    checkOnly(kits_, state_.KIT);
    rows_->markSelected(state_.DEMO);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!controller_) return QMainWindow::closeEvent(event);
    // Quitting decides whether and when the program ends.
    event->ignore();
    controller_->quit();
}

// A field that takes typed values: clicking it gives it the keyboard; Enter applies what
// was typed and Escape puts the shown value back, and either gives the keyboard back to
// the grid, as does a click on the grid.
void MainWindow::makeTypable(QWidget* field) {
    field->setFocusPolicy(Qt::StrongFocus);
    for (QWidget* inner : field->findChildren<QWidget*>()) inner->setFocusPolicy(Qt::StrongFocus);
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(field)) spin->setKeyboardTracking(false);
    field->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Tabbing into a choice lands on its chosen button, as in a group of radio buttons.
    if (auto* button = qobject_cast<QAbstractButton*>(watched);
        button && event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        QAbstractButton* chosen = button->group() ? button->group()->checkedButton() : nullptr;
        if (chosen && chosen != button &&
            (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason))
            chosen->setFocus(reason);
        return false;
    }
    const bool tempo = watched == tempoField_;
    auto* spin = qobject_cast<QSpinBox*>(watched);
    if (!tempo && !spin) return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut && tempo &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        // Leaving the field without Enter keeps the tempo as it was.
        tempoField_->setText(QString::number(state_.TEMPO));
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool apply = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!apply && key != Qt::Key_Escape) return false;
    if (tempo) {
        bool number = false;
        const int bpm = tempoField_->text().toInt(&number);
        if (apply && number)
            toController([bpm](GrooveController& c) { c.typeTempo(bpm); });
        else
            tempoField_->setText(QString::number(state_.TEMPO));
    } else if (apply) {
        spin->interpretText();  // sends the row's sound action when the value changed
    } else {
        spin->setValue(spin->value());  // shows the value in force again
    }
    grid_->setFocus(Qt::OtherFocusReason);
    return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    const std::string path = localPathOf(urls.first());
    toController([&path](GrooveController& c) { c.openPath(path); });
}

QStringList MainWindow::recentFiles() const {
    return QSettings().value(kRecentKey).toStringList();
}

void MainWindow::noteOpenedFile(const std::string& path) {
    std::error_code unknown;  // then the path as it came
    const std::filesystem::path absolute = std::filesystem::absolute(path, unknown);
    const QString opened = pathAsSetting(unknown ? path : absolute.string());
    QStringList recent = recentFiles();
    recent.removeAll(opened);
    recent.prepend(opened);
    while (recent.size() > kRecentFiles) recent.removeLast();
    QSettings().setValue(kRecentKey, recent);
}

void MainWindow::fillRecentMenu() {
    recentMenu_->clear();
    const QStringList recent = recentFiles();
    for (const QString& setting : recent) {
        const std::string file = pathFromSetting(setting);
        const QString shown = shownPath(file);
        QAction* item = recentMenu_->addAction(QFileInfo(shown).fileName(), this, [this, file] {
            toController([&file](GrooveController& c) { c.openPath(file); });
        });
        item->setToolTip(shown);
    }
    if (recent.isEmpty()) recentMenu_->addAction(tr("No Recent Files"))->setEnabled(false);
}

// Showing the window maps it first and draws it after; the first drawing of all its
// controls (fonts, glyphs, the style's pictures) takes long enough to show a blank window.
// Drawn once unseen beforehand, at the size showing it gives, the window's first frame
// follows its map at once.
void MainWindow::prepareFirstFrame() {
    adjustSize();
    setAttribute(Qt::WA_Resized, false);  // as showing it would leave it
    grab();
}

void MainWindow::setAudioExportJob(AudioExportJob job) {
    delete exporter_;
    exporter_ = new AudioExporter(this, grid_, std::move(job));
    // Beside any passing message, which would hide it for a while if it were not permanent.
    statusBar()->addPermanentWidget(exporter_->statusWidget());
    connect(exporter_, &AudioExporter::statusChanged, this, &MainWindow::fitStatusLine);
    fitStatusLine();
}

void MainWindow::exportAudio() {
    if (!exporter_ || !controller_) return;
    exporter_->begin(state_, qs(controller_->audioExportFolder()),
                     qs(controller_->audioExportName()));
}

// Outlets. Setting a control from here never sends its action again.

void MainWindow::setUndoTitle(const std::string& title) {
    undo_->setText(qs(title));
}
void MainWindow::setPlayTitle(const std::string& title) {
    play_->setText(qs(title));
    meter_->wake();  // an outside clock may have started the groove
}
void MainWindow::setKitTitle(const std::string& title) {
    kit_->setText(qs(title));
}
void MainWindow::beginAudioExport() {
    exportAudio();
}

void MainWindow::setSoundStatus(const std::string& text) {
    // The window tells why it is silent in its status bar, shown only while it is.
    if (text.empty() && !soundStatus_) return;
    if (!soundStatus_) {
        soundStatus_ = new QLabel;
        soundStatus_->setAccessibleName(tr("Sound status"));
        statusBar()->addWidget(soundStatus_);
    }
    soundStatus_->setText(qs(text));
    fitStatusLine();
}

// The status line shows only while it has something to say.
void MainWindow::fitStatusLine() {
    const bool silent = soundStatus_ && !soundStatus_->text().isEmpty();
    const bool exports = exporter_ && exporter_->hasNews();
    statusBar()->setVisible(silent || exports || !statusBar()->currentMessage().isEmpty());
}

void MainWindow::showStatusMessage(const std::string& text) {
    statusBar()->showMessage(qs(text), kStatusMessageMs);
}

void MainWindow::setTitle(const std::string& title) {
    setWindowTitle(qs(title));
}

bool MainWindow::prefersDarkScheme() const {
    // The palette says it for every desktop, whether or not it names a scheme.
    const QPalette colours = QApplication::palette();
    return colours.color(QPalette::Window).lightness() <
           colours.color(QPalette::WindowText).lightness();
}

void MainWindow::setCount(const std::string& text) {
    count_->setText(qs(text));
}
void MainWindow::setInfText(const std::string& text) {
    inf_->setText(qs(text));
}
void MainWindow::setKitField(const std::string& text) {
    kitField_->setText(qs(text));
}
void MainWindow::setFileField(const std::string& text) {
    fileField_->setText(qs(text));
}
void MainWindow::setDrumSetField(const std::string& text) {
    drSet_->setText(qs(text));
}

void MainWindow::showFeel(int swing, bool swingApplies, int humaniseMs, int humaniseVelocity) {
    feel_->show(swing, swingApplies, humaniseMs, humaniseVelocity);
}

void MainWindow::showStepEditor(int row, int step, int velocity, int repeats, int chance) {
    stepEditor_->edit(row, step, velocity, repeats, chance);
}

int MainWindow::tempoSlider() const {
    return tempo_->value();
}

void MainWindow::setTempoSlider(int bpm) {
    const QSignalBlocker blocker(tempo_);
    tempo_->setValue(bpm);
}

void MainWindow::setLinkStatus(const std::string& status) {
    linkStatus_->setText(qs(status));
    link_->setChecked(!status.empty());
}

void MainWindow::showTempoSource(const std::string& source, bool editable) {
    tempoSource_->setText(qs(source));
    tempoSource_->setVisible(!source.empty());
    tempo_->setEnabled(editable);
    tempoField_->setReadOnly(!editable);
}

MidiSettings MainWindow::midiSettings() const {
    return midiMenu_->settings();
}

void MainWindow::setMidiSettings(const MidiSettings& midi) {
    midiMenu_->show(midi);
    toController([midi](GrooveController& c) { c.setMidi(midi); });
}

void MainWindow::setTempoField(int bpm) {
    tempoField_->setText(QString::number(bpm));
    tempoField_->setModified(false);
}

int MainWindow::soundSelector(int row) const {
    return rows_->soundSelector(row)->value();
}

void MainWindow::setSoundSelector(int row, int value) {
    const QSignalBlocker blocker(rows_->soundSelector(row));
    rows_->soundSelector(row)->setValue(value);
}

void MainWindow::setSoundName(int row, const std::string& name) {
    rows_->soundName(row)->setText(qs(name));
}

int MainWindow::volumeSlider(int row) const {
    return rows_->volumeSlider(row)->value();
}

void MainWindow::setVolumeSlider(int row, int value) {
    const QSignalBlocker blocker(rows_->volumeSlider(row));
    rows_->volumeSlider(row)->setValue(value);
}

void MainWindow::setVolumeField(int row, const std::string& text) {
    rows_->volumeField(row)->setText(qs(text));
}

void MainWindow::requestRedraw() {
    grid_->update();
}

int MainWindow::runAlert(const std::string& title, const std::string& message,
                         const std::string& first, const std::string& second,
                         const std::string& third) {
    return pattaplex::runAlert(this, title, message, first, second, third);
}

void MainWindow::showSheet(const std::string& title, const std::string& message) {
    pattaplex::showSheet(this, title, message);
}

void MainWindow::beginSaveSheet(const std::string& folder, const std::string& name) {
    beginFileSheet(
        this, FileSheet::Save, folder, name, {}, [this](bool confirmed, const std::string& path) {
            toController([&](GrooveController& c) { c.savePanelDidEnd(confirmed, path); });
        });
}

void MainWindow::beginOpenSheet(const std::string& folder, const std::string& name,
                                const std::string& extension) {
    beginFileSheet(
        this, FileSheet::Open, folder, name, extension,
        [this](bool confirmed, const std::string& path) {
            toController([&](GrooveController& c) { c.openPanelDidEnd(confirmed, path); });
        });
}

void MainWindow::showPlayhead(int step) {
    grid_->setPlayhead(step);
}

void MainWindow::showEditHistory(const std::string& undoName, const std::string& redoName) {
    undoAction_->setText(undoName.empty() ? tr("Undo") : tr("Undo %1").arg(qs(undoName)));
    undoAction_->setEnabled(!undoName.empty());
    redoAction_->setText(redoName.empty() ? tr("Redo") : tr("Redo %1").arg(qs(redoName)));
    redoAction_->setEnabled(!redoName.empty());
}

// An export still running is finished or dropped as the user says; one already written
// stays either way.
void MainWindow::quitApplication() {
    const int exports = exporter_ ? exporter_->queued() : 0;
    if (exports == 0) return exitProgram();
    const std::string running = exporter_->runningName().toStdString();
    const std::string message = exports == 1
                                    ? "\"" + running + "\" is still being exported."
                                    : "\"" + running + "\" and " + std::to_string(exports - 1) +
                                          " more are still being exported.";
    const std::string finish =
        exports == 1 ? " Finish it before quitting?" : " Finish them before quitting?";
    const int answer = runAlert("AN EXPORT IS RUNNING", message + finish, "FINISH, THEN QUIT",
                                "DROP AND QUIT", "CANCEL");
    if (answer < 0) return exporter_->whenIdle(nullptr);  // no quitting after all
    if (answer == 0) exporter_->cancelAll();
    exporter_->whenIdle(exitProgram);
}

}  // namespace pattaplex
