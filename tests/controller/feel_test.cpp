// The groove's feel through the controller: the wheel, the step editor, swing and
// humanise, each an edit of its own that a save keeps.

#include "fixture.h"

namespace pattaplex::testing {
namespace {

class FeelTest : public ControllerTest {
  protected:
    void SetUp() override {
        ControllerTest::SetUp();
        controller->mouseDown(columnX(2), rowY(4));  // row 4 (volume 60), step 2 on
        sound.auditions.clear();
        state.dataTOG = 0;
    }
    size_t undoDepth() const { return controller->history().undoDepth(); }
};

TEST_F(FeelTest, TheWheelMovesAnActiveStepsVelocityWithinItsRangeAndPlaysIt) {
    const size_t depth = undoDepth();
    controller->wheelStep(columnX(2), rowY(4), 1, false);
    check("VOL4.2=68, dataTOG=1, DEMO=4, undoMenu=Velocity");
    EXPECT_EQ(sound.auditions.back(), std::make_pair(68, 68));  // row 4 plays note 68
    controller->wheelStep(columnX(2), rowY(4), -3, true);
    check("VOL4.2=65");
    EXPECT_EQ(sound.auditions.back(), std::make_pair(68, 65));
    EXPECT_EQ(undoDepth(), depth + 2);  // each notch is its own edit
    controller->wheelStep(columnX(2), rowY(4), 100, false);
    check("VOL4.2=127");
    controller->wheelStep(columnX(2), rowY(4), -200, true);
    check("VOL4.2=1");
    controller->undoEdit();
    check("VOL4.2=127");

    // An inactive step, a point beside the grid and a step past it change nothing.
    const GrooveState before = state;
    const size_t auditions = sound.auditions.size();
    controller->wheelStep(columnX(3), rowY(4), 1, false);
    controller->wheelStep(columnX(-2), rowY(4), 1, false);
    controller->wheelStep(columnX(16), rowY(4), 1, false);
    EXPECT_EQ(state, before);
    EXPECT_EQ(sound.auditions.size(), auditions);
}

TEST_F(FeelTest, TheStepEditorShowsAStepAndSetsItsVelocityRepeatsAndChanceAsOneEdit) {
    controller->openStepEditor(columnX(2), rowY(4));
    check("stepEditor=4.2 60 x1 100%");
    const size_t depth = undoDepth();
    controller->setStepFeel(4, 2, 100, 3, 75);
    EXPECT_EQ(std::tie(state.row(4).VOL[2], state.row(4).REP[2], state.row(4).CHANCE[2]),
              std::make_tuple(100, 3, 75));
    check("dataTOG=1, DEMO=4, undoMenu=Step");
    EXPECT_EQ(sound.auditions.back(), std::make_pair(68, 100));
    EXPECT_EQ(undoDepth(), depth + 1);
    controller->openStepEditor(columnX(2), rowY(4));
    check("stepEditor=4.2 100 x3 75%");

    // Values out of range are brought in; a chance the editor does not offer is ignored.
    controller->setStepFeel(4, 2, 0, 9, 60);
    EXPECT_EQ(std::tie(state.row(4).VOL[2], state.row(4).REP[2], state.row(4).CHANCE[2]),
              std::make_tuple(1, 4, 75));
    // The same values again are no edit; nor is a step or row outside the buffers.
    const size_t now = undoDepth();
    controller->setStepFeel(4, 2, 1, 4, 75);
    controller->setStepFeel(11, 2, 1, 4, 75);
    controller->setStepFeel(4, kBufferSize, 1, 4, 75);
    EXPECT_EQ(undoDepth(), now);
    controller->undoEdit();
    controller->undoEdit();
    EXPECT_EQ(std::tie(state.row(4).VOL[2], state.row(4).REP[2], state.row(4).CHANCE[2]),
              std::make_tuple(60, 1, 100));
    // Outside the grid no editor opens.
    outlets.shown.erase("stepEditor");
    controller->openStepEditor(columnX(20), rowY(4));
    check("stepEditor=-");
}

TEST_F(FeelTest, SwingAndHumaniseAreKeptWhereTheGridCannotSwingAndSurviveASave) {
    check("swing=50, humanise=0/0");
    controller->setSwing(66);
    controller->setHumanise(30, 7);
    check("swing=66, humanise=20/7, dataTOG=1, undoMenu=Humanise");
    controller->setSwing(20);
    check("swing=50");
    controller->setSwing(66);
    controller->setDiv(3);  // triplets do not swing: the value stays for when they pair again
    check("swing=66 off, SUB=3");
    controller->setDiv(4);
    check("swing=66");
    controller->setStepFeel(2, 5, 33, 2, 25);

    // A preset keeps the groove's swing and humanise but makes every hit plain.
    controller->doPreset(3);
    check("swing=66, humanise=20/7");
    EXPECT_EQ(state.row(2).REP[5], 1);
    controller->undoEdit();
    EXPECT_EQ(state.row(2).REP[5], 2);

    const std::string path = (home / "Felt.grv").string();
    controller->savePanelDidEnd(true, path);
    controller->setSwing(50);
    controller->setHumanise(0, 0);
    controller->setStepFeel(2, 5, 90, 1, 100);
    outlets.alertAnswers = {0};  // the changes since the save are dropped
    controller->openPath(path);
    check("swing=66, humanise=20/7");
    EXPECT_EQ(std::tie(state.row(2).VOL[5], state.row(2).REP[5], state.row(2).CHANCE[5]),
              std::make_tuple(33, 2, 25));
}

}  // namespace
}  // namespace pattaplex::testing
