// Every key of the key table, typed at the grid as X11 delivers it, reaches the command
// written out here by hand; the window binds its own keys and shows every key the way the
// table labels it, in its menus and tooltips.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <algorithm>
#include <functional>
#include <iterator>
#include <vector>

#include "GridView.h"
#include "KeyTranslation.h"
#include "WindowFixture.h"
#include "key_table.h"

namespace pattaplex {
namespace {

using C = Command;

constexpr char32_t kNone = 0xFFFFFFFF;  // the event reaches no handler

struct KeyRow {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString text;  // as X11 delivers it with the layout's text
    char32_t character;
    uint32_t flags;
};

const KeyRow kRows[] = {
    {Qt::Key_1, Qt::AltModifier, "&", 0x00A1, kOptionKey},  // whatever the layout types
    {Qt::Key_R, Qt::ShiftModifier, "R", U'R', 0},           // upper case stays upper case
    {Qt::Key_E, Qt::NoModifier, QString(QChar(0x20AC)), 0x20AC, 0},
    {Qt::Key_unknown, Qt::NoModifier, QString::fromUcs4(U"\U0001F941"), 0x1F941, 0},
    // The File menu's keys are never grid keys, even when they reach the grid.
    {Qt::Key_S, Qt::ControlModifier, "\x13", kNone, 0},
    {Qt::Key_E, Qt::ControlModifier, "\x05", kNone, 0},
    {Qt::Key_Dead_Acute, Qt::NoModifier, "", kNone, 0},
    {Qt::Key_Shift, Qt::ShiftModifier, "", kNone, 0},
};

TEST(GridKeys, KeysAreTheLayoutsCharactersExceptTheTablesOwn) {
    GrooveState state;
    GridView view(state);
    std::vector<TypedKey> typed;
    view.onKey = [&typed](char32_t c, uint32_t m) { typed.push_back({c, m}); };
    for (const KeyRow& row : kRows) {
        SCOPED_TRACE(::testing::Message() << "key " << row.key << " text " << row.text.size());
        typed.clear();
        QKeyEvent press(QEvent::KeyPress, row.key, row.modifiers, row.text);
        QApplication::sendEvent(&view, &press);
        if (row.character == kNone) {
            EXPECT_TRUE(typed.empty());
        } else {
            ASSERT_EQ(typed.size(), 1u);
            EXPECT_EQ(typed[0], (TypedKey{row.character, row.flags}));
        }
    }
}

struct Expected {
    const char* label;
    Command command;
    int value = 0;
};

const Expected kGridKeys[] = {
    {"Space", C::PlayStop},
    {"P", C::PlayPause},
    {"[", C::FewerBars},
    {"]", C::MoreBars},
    {",", C::Slower},
    {".", C::Faster},
    {"T", C::TapTempo},
    {"Backspace", C::ClearGrid},
    {"Delete", C::ClearGrid},
    {"U", C::UndoClear},
    {"V", C::ToggleVelocities},
    {"C", C::ToggleDarkGrid},
    {"R", C::RandomSteps},
    {"Alt+R", C::RandomVelocities},
    {"Ctrl+R", C::RandomStepsAndVelocities},
    {"D", C::RandomDrums},
    {"A", C::RandomAll},
    {"I", C::ToggleInfiniteRandom},
    {"1", C::SelectRow, 1},
    {"2", C::SelectRow, 2},
    {"3", C::SelectRow, 3},
    {"4", C::SelectRow, 4},
    {"5", C::SelectRow, 5},
    {"6", C::SelectRow, 6},
    {"7", C::SelectRow, 7},
    {"8", C::SelectRow, 8},
    {"9", C::SelectRow, 9},
    {"0", C::SelectRow, 10},
    {"Alt+1", C::ToggleMute, 1},
    {"Alt+2", C::ToggleMute, 2},
    {"Alt+3", C::ToggleMute, 3},
    {"Alt+4", C::ToggleMute, 4},
    {"Alt+5", C::ToggleMute, 5},
    {"Alt+6", C::ToggleMute, 6},
    {"Alt+7", C::ToggleMute, 7},
    {"Alt+8", C::ToggleMute, 8},
    {"Alt+9", C::ToggleMute, 9},
    {"Alt+0", C::ToggleMute, 10},
    {"Right", C::NextSound},
    {"Left", C::PreviousSound},
    {"Up", C::LouderRow},
    {"Down", C::SofterRow},
    {"Alt+O", C::OpenDrumSet},
    {"Alt+S", C::SaveDrumSet},
    {"Meta+S", C::ExportMidi},
    {"/", C::Help},
    {"?", C::Help},
};

const Expected kWindowKeys[] = {
    {"Ctrl+O", C::OpenGroove}, {"Ctrl+S", C::SaveGroove},        {"Ctrl+Shift+S", C::SaveGrooveAs},
    {"Ctrl+E", C::ExportMidi}, {"Ctrl+Shift+E", C::ExportAudio}, {"Ctrl+Q", C::Quit},
    {"Ctrl+Z", C::UndoEdit},   {"Ctrl+Shift+Z", C::RedoEdit},    {"Ctrl+Y", C::RedoEdit},
};

template <size_t N>
const Expected* expectationFor(const Expected (&list)[N], const char* label) {
    for (const Expected& e : list)
        if (QString::fromLatin1(e.label) == QString::fromLatin1(label)) return &e;
    return nullptr;
}

// A key press as X11 delivers it: the key, its modifiers and the text the layout types.
QKeyEvent pressOf(const char* label) {
    const QKeyCombination keys = QKeySequence::fromString(QString::fromLatin1(label))[0];
    const int key = keys.key();
    Qt::KeyboardModifiers mods = keys.keyboardModifiers();
    QString text;
    if (key == Qt::Key_Space) text = " ";
    if (key == Qt::Key_Backspace) text = "\b";
    if (key == Qt::Key_Delete) text = "\x7f";
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        text = QChar((mods & Qt::ControlModifier) ? key - Qt::Key_A + 1 : key - Qt::Key_A + 'a');
    else if (key > ' ' && key < 0x7f)
        text = QChar(key);  // digits and punctuation
    if (key == Qt::Key_Question) mods |= Qt::ShiftModifier;
    return QKeyEvent(QEvent::KeyPress, key, mods, text);
}

TEST(KeyTable, EveryGridKeyTypedAtTheGridRunsItsCommand) {
    GrooveState state;
    GridView view(state);
    std::vector<TypedKey> typed;
    view.onKey = [&typed](char32_t c, uint32_t m) { typed.push_back({c, m}); };
    size_t gridKeys = 0;
    for (const KeyEntry& entry : keyTable()) {
        if (entry.character == 0) continue;
        ++gridKeys;
        SCOPED_TRACE(entry.label);
        const Expected* expected = expectationFor(kGridKeys, entry.label);
        ASSERT_NE(expected, nullptr) << "a grid key this test does not know";
        typed.clear();
        QKeyEvent press = pressOf(entry.label);
        QApplication::sendEvent(&view, &press);
        ASSERT_EQ(typed.size(), 1u);
        const auto command = commandForKey(typed[0].character, typed[0].modifiers);
        ASSERT_TRUE(command.has_value());
        EXPECT_EQ(command->command, expected->command);
        EXPECT_EQ(command->value, expected->value);
    }
    EXPECT_EQ(gridKeys, std::size(kGridKeys));

    // Alt with a key that has no Alt command of its own, and the File menu's keys, run
    // nothing in the grid.
    for (const char* label : {"Alt+A", "Alt+D", "Alt+Space", "Alt+Up", "Ctrl+S", "Ctrl+E"}) {
        SCOPED_TRACE(label);
        typed.clear();
        QKeyEvent press = pressOf(label);
        QApplication::sendEvent(&view, &press);
        EXPECT_TRUE(typed.empty() || !commandForKey(typed[0].character, typed[0].modifiers));
    }
}

// Every menu item, its key column and its shortcuts, however deep in a submenu.
std::vector<QAction*> menuItems(QMenuBar* bar) {
    std::vector<QAction*> items;
    for (QMenu* menu : bar->findChildren<QMenu*>())
        for (QAction* item : menu->actions())
            if (!item->isSeparator() && !item->menu()) items.push_back(item);
    return items;
}

QString titleOf(const QAction* item) {
    return item->text().section(QLatin1Char('\t'), 0, 0);
}

TEST_F(WindowTest, MenusBindTheWindowKeysAndShowEveryKeyAsTheTableLabelsIt) {
    const std::vector<QAction*> items = menuItems(window.menuBar());
    auto itemsWhere = [&items](const std::function<bool(QAction*)>& test) {
        std::vector<QAction*> found;
        std::copy_if(items.begin(), items.end(), std::back_inserter(found), test);
        return found;
    };
    for (const KeyEntry& entry : keyTable()) {
        if (!entry.command) continue;
        SCOPED_TRACE(entry.label);
        const QString label = QString::fromLatin1(entry.label);
        const QString title = QString::fromStdString(entry.title);
        if (entry.character == 0) {  // bound once, on its command's item
            const Expected* expected = expectationFor(kWindowKeys, entry.label);
            ASSERT_NE(expected, nullptr) << "a window key this test does not know";
            EXPECT_EQ(expected->command, *entry.command);
            const QKeySequence keys = QKeySequence::fromString(label);
            const auto bound =
                itemsWhere([&](QAction* item) { return item->shortcuts().contains(keys); });
            ASSERT_EQ(bound.size(), 1u);
            // The Edit menu's items name the edit they undo.
            if (*entry.command != C::UndoEdit && *entry.command != C::RedoEdit) {
                EXPECT_EQ(titleOf(bound[0]), title);
            }
            continue;
        }
        // A grid key's item shows the command's first key, or binds its window key.
        const auto withTitle = itemsWhere([&](QAction* item) { return titleOf(item) == title; });
        ASSERT_EQ(withTitle.size(), 1u);
        const QString first = QString::fromStdString(keyLabels(*entry.command, entry.value)[0]);
        EXPECT_TRUE(withTitle[0]->text().endsWith(QLatin1Char('\t') + first) ||
                    withTitle[0]->shortcut() == QKeySequence::fromString(first));
    }
    // No key column holds a label that is not the table's for that item.
    for (QAction* item : itemsWhere([](QAction* i) { return i->text().contains('\t'); })) {
        const QString shownKey = item->text().section(QLatin1Char('\t'), 1);
        EXPECT_TRUE(std::any_of(keyTable().begin(), keyTable().end(), [&](const KeyEntry& k) {
            return QString::fromLatin1(k.label) == shownKey &&
                   QString::fromStdString(k.title) == titleOf(item);
        })) << item->text().toStdString();
    }
}

TEST_F(WindowTest, ControlsWithAKeyNameItInTheirTooltips) {
    auto button = [this](const QString& text) {
        for (QPushButton* b : window.findChildren<QPushButton*>())
            if (b->text() == text) return b->toolTip();
        return QString();
    };
    EXPECT_EQ(button("PLAY"), "Play/Stop — Space");
    EXPECT_TRUE(button("Clear").contains("— Backspace, Delete"));
    EXPECT_TRUE(window.randomButton(1)->toolTip().endsWith("— Alt+R"));
    EXPECT_TRUE(window.randomButton(4)->toolTip().endsWith("— Ctrl+R"));
    EXPECT_TRUE(window.rowPanel()->rowButton(10)->toolTip().endsWith("— 0"));
    EXPECT_TRUE(window.rowPanel()->volumeSlider(9)->toolTip().contains("— Alt+9"));
    EXPECT_TRUE(window.tempoControl()->toolTip().contains("— ,"));
}

}  // namespace
}  // namespace pattaplex
