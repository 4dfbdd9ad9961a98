// Key presses on the grid view reach the key handler as the key table's characters.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <vector>

#include "GridView.h"
#include "GrooveController.h"
#include "KeyTranslation.h"

namespace pattaplex {
namespace {

class GridKeys : public ::testing::Test {
  protected:
    GridKeys() : view(state) {
        view.onKey = [this](char32_t c, uint32_t m) { typed.push_back({c, m}); };
    }

    TypedKey press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        typed.clear();
        QTest::keyClick(&view, key, mods);
        EXPECT_EQ(typed.size(), 1u) << "key " << key;
        return typed.empty() ? TypedKey{} : typed.back();
    }

    GrooveState state;
    GridView view;
    std::vector<TypedKey> typed;
};

TEST_F(GridKeys, AltDigitsGiveTheOptionCharacters) {
    const Qt::Key digits[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5,
                              Qt::Key_6, Qt::Key_7, Qt::Key_8, Qt::Key_9, Qt::Key_0};
    const char32_t expected[] = {0x00A1, 0x2122, 0x00A3, 0x00A2, 0x221E,
                                 0x00A7, 0x00B6, 0x2022, 0x00AA, 0x00BA};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(press(digits[i], Qt::AltModifier), (TypedKey{expected[i], kOptionKey})) << i;
}

TEST_F(GridKeys, AltLettersForTheDrumSetKeys) {
    EXPECT_EQ(press(Qt::Key_S, Qt::AltModifier), (TypedKey{0x00DF, kOptionKey}));
    EXPECT_EQ(press(Qt::Key_O, Qt::AltModifier), (TypedKey{0x00F8, kOptionKey}));
    EXPECT_EQ(press(Qt::Key_R, Qt::AltModifier), (TypedKey{0x00AE, kOptionKey}));
    // Other Alt letters keep their letter and the Option flag.
    EXPECT_EQ(press(Qt::Key_D, Qt::AltModifier), (TypedKey{U'd', kOptionKey}));
}

TEST_F(GridKeys, ControlAndMetaKeys) {
    EXPECT_EQ(press(Qt::Key_R, Qt::ControlModifier), (TypedKey{0x12, kControlKey}));
    EXPECT_EQ(press(Qt::Key_S, Qt::MetaModifier), (TypedKey{0x13, kCommandKey}));
    EXPECT_EQ(press(Qt::Key_R, Qt::MetaModifier), (TypedKey{U'r', kCommandKey}));
}

TEST_F(GridKeys, ArrowsAndDeleteGiveTheirCodes) {
    EXPECT_EQ(press(Qt::Key_Up), (TypedKey{kUpArrow, 0}));
    EXPECT_EQ(press(Qt::Key_Down), (TypedKey{kDownArrow, 0}));
    EXPECT_EQ(press(Qt::Key_Left), (TypedKey{kLeftArrow, 0}));
    EXPECT_EQ(press(Qt::Key_Right), (TypedKey{kRightArrow, 0}));
    EXPECT_EQ(press(Qt::Key_Backspace), (TypedKey{kDeleteKey, 0}));
    EXPECT_EQ(press(Qt::Key_Delete), (TypedKey{kDeleteKey, 0}));
    EXPECT_EQ(press(Qt::Key_Up, Qt::KeypadModifier), (TypedKey{kUpArrow, 0}));
}

TEST_F(GridKeys, PlainKeysGiveTheirTextAsTyped) {
    EXPECT_EQ(press(Qt::Key_Space), (TypedKey{U' ', 0}));
    EXPECT_EQ(press(Qt::Key_BracketRight), (TypedKey{U']', 0}));
    EXPECT_EQ(press(Qt::Key_Period), (TypedKey{U'.', 0}));
    EXPECT_EQ(press(Qt::Key_Comma), (TypedKey{U',', 0}));
    EXPECT_EQ(press(Qt::Key_3), (TypedKey{U'3', 0}));

    typed.clear();
    QTest::keyClick(&view, 'r');
    QTest::keyClick(&view, 'R', Qt::ShiftModifier);
    QTest::keyClick(&view, '?', Qt::ShiftModifier);
    ASSERT_EQ(typed.size(), 3u);
    EXPECT_EQ(typed[0], (TypedKey{U'r', 0}));
    EXPECT_EQ(typed[1], (TypedKey{U'R', 0}));
    EXPECT_EQ(typed[2], (TypedKey{U'?', 0}));
}

TEST_F(GridKeys, TabStaysInTheGrid) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    GridView* grid = new GridView(state);
    auto* button = new QPushButton("PLAY");
    layout->addWidget(grid);
    layout->addWidget(button);
    std::vector<TypedKey> keys;
    grid->onKey = [&keys](char32_t c, uint32_t m) { keys.push_back({c, m}); };
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_TRUE(grid->hasFocus());
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].character, U'\t');
}

// Events as X11 delivers them, with the text the layout produced.
TEST(KeyTranslation, EventsWithLayoutText) {
    const QKeyEvent controlR(QEvent::KeyPress, Qt::Key_R, Qt::ControlModifier, "\x12");
    EXPECT_EQ(translateKey(controlR), (TypedKey{0x12, kControlKey}));

    // Alt+1 on a layout whose 1 key types "&": still the Option character of 1.
    const QKeyEvent altOne(QEvent::KeyPress, Qt::Key_1, Qt::AltModifier, "&");
    EXPECT_EQ(translateKey(altOne), (TypedKey{0x00A1, kOptionKey}));

    const QKeyEvent euro(QEvent::KeyPress, Qt::Key_E, Qt::NoModifier, QString(QChar(0x20AC)));
    EXPECT_EQ(translateKey(euro), (TypedKey{0x20AC, 0}));

    const QKeyEvent outsideBmp(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                               QString::fromUcs4(U"\U0001F941"));
    EXPECT_EQ(translateKey(outsideBmp), (TypedKey{0x1F941, 0}));

    // The File menu's keys are never grid keys, even when they reach the grid.
    for (Qt::Key key : {Qt::Key_S, Qt::Key_O, Qt::Key_Q, Qt::Key_E}) {
        const QKeyEvent menuKey(QEvent::KeyPress, key, Qt::ControlModifier, "\x13");
        EXPECT_FALSE(translateKey(menuKey).has_value()) << key;
    }

    const QKeyEvent dead(QEvent::KeyPress, Qt::Key_Dead_Acute, Qt::NoModifier, "");
    EXPECT_FALSE(translateKey(dead).has_value());
    const QKeyEvent bareAlt(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier, "");
    EXPECT_FALSE(translateKey(bareAlt).has_value());
    const QKeyEvent bareShift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_FALSE(translateKey(bareShift).has_value());
}

}  // namespace
}  // namespace pattaplex
