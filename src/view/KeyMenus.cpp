#include "KeyMenus.h"

#include "key_table.h"

namespace pattaplex {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

const KeyEntry* firstEntry(Command command, int value) {
    for (const KeyEntry& k : keyTable())
        if (k.command == command && k.value == value) return &k;
    return nullptr;
}

void addGroup(QMenu* menu, KeyGroup group, const RunCommand& run) {
    // One item per command and row, however many keys run it.
    for (const KeyEntry& k : keyTable()) {
        if (k.group != group || !k.command || k.value != 0) continue;
        if (firstEntry(*k.command, 0) == &k) addCommandItem(menu, *k.command, 0, run);
    }
}

void addRowMenu(QMenu* groove, const QString& title, Command command, const RunCommand& run) {
    QMenu* rows = groove->addMenu(title);
    for (int row = 1; row <= 10; ++row) addCommandItem(rows, command, row, run);
}

}  // namespace

QString keyText(Command command, int value) {
    QStringList keys;
    for (const std::string& label : keyLabels(command, value)) keys << qs(label);
    return keys.join(QStringLiteral(", "));
}

QString withKeys(const QString& what, Command command, int value) {
    const QString keys = keyText(command, value);
    return keys.isEmpty() ? what : what + QStringLiteral(" — ") + keys;
}

QList<QKeySequence> shortcutsFor(Command command) {
    QList<QKeySequence> keys;
    for (const KeyEntry& k : keyTable())
        if (k.command == command && k.character == 0)
            keys << QKeySequence::fromString(QString::fromLatin1(k.label),
                                             QKeySequence::PortableText);
    return keys;
}

QAction* addCommandItem(QMenu* menu, Command command, int value, const RunCommand& run) {
    const KeyEntry* entry = firstEntry(command, value);
    const QString title = entry ? qs(entry->title) : QString();
    QAction* item = menu->addAction(title, [run, command, value] { run(command, value); });
    const QList<QKeySequence> shortcuts = shortcutsFor(command);
    if (!shortcuts.isEmpty()) {
        item->setShortcuts(shortcuts);
    } else if (entry) {
        // The text after the tab stands in the shortcut column without binding the key,
        // which belongs to the grid.
        item->setText(title + QLatin1Char('\t') + QString::fromLatin1(entry->label));
    }
    return item;
}

void addKeyMenus(QMenuBar& menuBar, const RunCommand& run) {
    // Titles without mnemonics: Alt with a letter belongs to the grid's keys.
    QMenu* groove = menuBar.addMenu(QObject::tr("Groove"));
    addGroup(groove, KeyGroup::Playing, run);
    groove->addSeparator();
    addGroup(groove, KeyGroup::Grid, run);
    groove->addSeparator();
    addGroup(groove, KeyGroup::Random, run);
    groove->addSeparator();
    addRowMenu(groove, QObject::tr("Select Row"), Command::SelectRow, run);
    addRowMenu(groove, QObject::tr("Mute / Unmute Row"), Command::ToggleMute, run);
    addGroup(groove, KeyGroup::Rows, run);

    QMenu* help = menuBar.addMenu(QObject::tr("Help"));
    addCommandItem(help, Command::Help, 0, run);
}

}  // namespace pattaplex
