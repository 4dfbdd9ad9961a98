// Key events on the grid view reach the key handler as the key table's characters, for
// every modifier combination the table uses.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <vector>

#include "GridView.h"
#include "GrooveController.h"
#include "KeyTranslation.h"

namespace pattaplex {
namespace {

constexpr char32_t kNone = 0xFFFFFFFF;  // the event reaches no handler

struct KeyRow {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString text;  // as X11 delivers it with the layout's text
    char32_t character;
    uint32_t flags;
};

const KeyRow kRows[] = {
    {Qt::Key_S, Qt::AltModifier, "s", 0x00DF, kOptionKey},
    {Qt::Key_O, Qt::AltModifier, "o", 0x00F8, kOptionKey},
    {Qt::Key_R, Qt::AltModifier, "r", 0x00AE, kOptionKey},
    {Qt::Key_1, Qt::AltModifier, "&", 0x00A1, kOptionKey},  // whatever the layout types
    {Qt::Key_3, Qt::AltModifier, "3", 0x00A3, kOptionKey},
    {Qt::Key_0, Qt::AltModifier, "0", 0x00BA, kOptionKey},
    {Qt::Key_R, Qt::ControlModifier, "\x12", 0x12, kControlKey},
    {Qt::Key_S, Qt::MetaModifier, "s", 0x13, kCommandKey},
    {Qt::Key_Up, Qt::NoModifier, "", kUpArrow, 0},
    {Qt::Key_Down, Qt::NoModifier, "", kDownArrow, 0},
    {Qt::Key_Left, Qt::NoModifier, "", kLeftArrow, 0},
    {Qt::Key_Right, Qt::NoModifier, "", kRightArrow, 0},
    {Qt::Key_Backspace, Qt::NoModifier, "\b", kDeleteKey, 0},
    {Qt::Key_Delete, Qt::NoModifier, "\x7f", kDeleteKey, 0},
    {Qt::Key_Space, Qt::NoModifier, " ", U' ', 0},
    {Qt::Key_R, Qt::NoModifier, "r", U'r', 0},
    {Qt::Key_R, Qt::ShiftModifier, "R", U'R', 0},  // upper case stays upper case
    {Qt::Key_E, Qt::NoModifier, QString(QChar(0x20AC)), 0x20AC, 0},
    {Qt::Key_unknown, Qt::NoModifier, QString::fromUcs4(U"\U0001F941"), 0x1F941, 0},
    // The File menu's keys are never grid keys, even when they reach the grid.
    {Qt::Key_S, Qt::ControlModifier, "\x13", kNone, 0},
    {Qt::Key_E, Qt::ControlModifier, "\x05", kNone, 0},
    {Qt::Key_Dead_Acute, Qt::NoModifier, "", kNone, 0},
    {Qt::Key_Shift, Qt::ShiftModifier, "", kNone, 0},
};

TEST(GridKeys, EveryModifierCombinationGivesTheTableCharacter) {
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

}  // namespace
}  // namespace pattaplex
