#include "KeyMenus.h"

#include <QMenu>

#include "GrooveController.h"

namespace pattaplex {

namespace {

struct KeyCommand {
    const char* label;
    const char* keys;  // as shown in the menu
    char32_t character;
    uint32_t modifiers;
};

constexpr char32_t kOptionDigits[] = {0x00A1, 0x2122, 0x00A3, 0x00A2, 0x221E,
                                      0x00A7, 0x00B6, 0x2022, 0x00AA, 0x00BA};

void addCommand(QMenu* menu, const QString& label, const QString& keys, char32_t character,
                uint32_t modifiers, const TypeKey& typeKey) {
    // The text after the tab stands in the shortcut column without binding the key.
    menu->addAction(label + QLatin1Char('\t') + keys,
                    [typeKey, character, modifiers] { typeKey(character, modifiers); });
}

void addCommands(QMenu* menu, std::initializer_list<KeyCommand> commands, const TypeKey& typeKey) {
    for (const KeyCommand& c : commands)
        addCommand(menu, QObject::tr(c.label), QString::fromLatin1(c.keys), c.character,
                   c.modifiers, typeKey);
}

}  // namespace

void addKeyMenus(QMenuBar& menuBar, const TypeKey& typeKey) {
    // Titles without mnemonics: Alt with a letter belongs to the grid's keys.
    QMenu* groove = menuBar.addMenu(QObject::tr("Groove"));
    addCommands(groove,
                {{"Play / Stop", "Space", U' ', 0},
                 {"Play / Pause", "P", U'p', 0},
                 {"Clear Grid", "Backspace", kDeleteKey, 0},
                 {"Undo Clear", "U", U'u', 0}},
                typeKey);
    groove->addSeparator();
    addCommands(groove,
                {{"Fewer Bars", "[", U'[', 0},
                 {"More Bars", "]", U']', 0},
                 {"Slower", ",", U',', 0},
                 {"Faster", ".", U'.', 0}},
                typeKey);
    groove->addSeparator();
    addCommands(groove,
                {{"Random Steps", "R", U'r', 0},
                 {"Random Velocity", "Alt+R", 0x00AE, kOptionKey},
                 {"Random Steps and Velocity", "Ctrl+R", 0x12, kControlKey},
                 {"Random Drums", "D", U'd', 0},
                 {"All Random", "A", U'a', 0},
                 {"Infinite Random On/Off", "I", U'i', 0}},
                typeKey);
    groove->addSeparator();

    QMenu* select = groove->addMenu(QObject::tr("Select Row"));
    QMenu* mute = groove->addMenu(QObject::tr("Mute / Unmute Row"));
    for (int row = 1; row <= 10; ++row) {
        const QString digit = QString::number(row % 10);
        addCommand(select, QObject::tr("Row %1").arg(row), digit, U'0' + char32_t(row % 10), 0,
                   typeKey);
        addCommand(mute, QObject::tr("Row %1").arg(row), QStringLiteral("Alt+") + digit,
                   kOptionDigits[row - 1], kOptionKey, typeKey);
    }
    addCommands(groove,
                {{"Next Sound for Row", "Right", kRightArrow, 0},
                 {"Previous Sound for Row", "Left", kLeftArrow, 0},
                 {"Louder Row", "Up", kUpArrow, 0},
                 {"Softer Row", "Down", kDownArrow, 0}},
                typeKey);
    groove->addSeparator();
    addCommands(groove,
                {{"Show Velocities On/Off", "V", U'v', 0}, {"Dark Grid On/Off", "C", U'c', 0}},
                typeKey);

    QMenu* help = menuBar.addMenu(QObject::tr("Help"));
    addCommands(help, {{"Keyboard Help…", "/", U'/', 0}}, typeKey);
}

}  // namespace pattaplex
