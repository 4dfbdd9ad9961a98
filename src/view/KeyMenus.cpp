#include "KeyMenus.h"

#include <QMenu>

namespace pattaplex {

namespace {

struct MenuCommand {
    const char* label;
    const char* keys;  // as shown in the menu
    Command command;
};

void addCommand(QMenu* menu, const QString& label, const QString& keys, Command command, int value,
                const RunCommand& run) {
    // The text after the tab stands in the shortcut column without binding the key.
    menu->addAction(label + QLatin1Char('\t') + keys,
                    [run, command, value] { run(command, value); });
}

void addCommands(QMenu* menu, std::initializer_list<MenuCommand> commands, const RunCommand& run) {
    for (const MenuCommand& c : commands)
        addCommand(menu, QObject::tr(c.label), QString::fromLatin1(c.keys), c.command, 0, run);
}

}  // namespace

void addKeyMenus(QMenuBar& menuBar, const RunCommand& run) {
    // Titles without mnemonics: Alt with a letter belongs to the grid's keys.
    QMenu* groove = menuBar.addMenu(QObject::tr("Groove"));
    addCommands(groove,
                {{"Play / Stop", "Space", Command::PlayStop},
                 {"Play / Pause", "P", Command::PlayPause},
                 {"Clear Grid", "Backspace", Command::ClearGrid},
                 {"Undo Clear", "U", Command::UndoClear}},
                run);
    groove->addSeparator();
    addCommands(groove,
                {{"Fewer Bars", "[", Command::FewerBars},
                 {"More Bars", "]", Command::MoreBars},
                 {"Slower", ",", Command::Slower},
                 {"Faster", ".", Command::Faster},
                 {"Tap Tempo", "T", Command::TapTempo}},
                run);
    groove->addSeparator();
    addCommands(groove,
                {{"Random Steps", "R", Command::RandomSteps},
                 {"Random Velocity", "Alt+R", Command::RandomVelocities},
                 {"Random Steps and Velocity", "Ctrl+R", Command::RandomStepsAndVelocities},
                 {"Random Drums", "D", Command::RandomDrums},
                 {"All Random", "A", Command::RandomAll},
                 {"Infinite Random On/Off", "I", Command::ToggleInfiniteRandom}},
                run);
    groove->addSeparator();

    QMenu* select = groove->addMenu(QObject::tr("Select Row"));
    QMenu* mute = groove->addMenu(QObject::tr("Mute / Unmute Row"));
    for (int row = 1; row <= 10; ++row) {
        const QString digit = QString::number(row % 10);
        addCommand(select, QObject::tr("Row %1").arg(row), digit, Command::SelectRow, row, run);
        addCommand(mute, QObject::tr("Row %1").arg(row), QStringLiteral("Alt+") + digit,
                   Command::ToggleMute, row, run);
    }
    addCommands(groove,
                {{"Next Sound for Row", "Right", Command::NextSound},
                 {"Previous Sound for Row", "Left", Command::PreviousSound},
                 {"Louder Row", "Up", Command::LouderRow},
                 {"Softer Row", "Down", Command::SofterRow}},
                run);
    groove->addSeparator();
    addCommands(groove,
                {{"Show Velocities On/Off", "V", Command::ToggleVelocities},
                 {"Dark Grid On/Off", "C", Command::ToggleDarkGrid}},
                run);

    QMenu* help = menuBar.addMenu(QObject::tr("Help"));
    addCommands(help, {{"Keyboard Help…", "/", Command::Help}}, run);
}

}  // namespace pattaplex
