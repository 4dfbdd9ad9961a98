// Alerts and sheets of the window, and quitting through them.
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>

#include "WindowFixture.h"

namespace pattaplex {
namespace {

TEST_F(WindowTest, AlertReturnsTheAnswerOfEachButton) {
    Outlets& outlets = window;
    const std::pair<QString, int> answers[] = {{"SAVE", 1}, {"QUIT", 0}, {"CANCEL", -1}};
    for (const auto& [button, expected] : answers) {
        SeenAlert seen;
        answerNextAlert(button, &seen);
        EXPECT_EQ(outlets.runAlert("TITLE", "MESSAGE", "SAVE", "QUIT", "CANCEL"), expected);
        EXPECT_TRUE(seen.shown);
        EXPECT_EQ(seen.title, "TITLE");
        EXPECT_EQ(seen.message, "MESSAGE");
        EXPECT_TRUE(seen.defaultIsFirst);
    }
    // Escape answers as the cancel button, or else as the last one.
    SeenAlert escaped[3];
    answerNextAlert({}, &escaped[0]);
    EXPECT_EQ(outlets.runAlert("T", "M", "SAVE", "QUIT", "CANCEL"), -1);
    answerNextAlert({}, &escaped[1]);
    EXPECT_EQ(outlets.runAlert("WARNING", "Oh", "Oh No!"), 1);
    EXPECT_EQ(escaped[1].buttons, QStringList{"Oh No!"});
    answerNextAlert({}, &escaped[2]);
    EXPECT_EQ(outlets.runAlert("T", "M", "OK", "Cancel"), 0);
    EXPECT_EQ(escaped[2].buttons, (QStringList{"OK", "Cancel"}));
}

class QuitTest : public WindowTest {
  protected:
    QuitTest() {
        EXPECT_TRUE(window.exitProgram) << "the window must know how to end the program";
        window.exitProgram = [this] { ++quits; };
        state.dataTOG = 1;
    }
    // Closing the window asks the controller to quit.
    SeenAlert closeAnswering(const QString& answer) {
        SeenAlert seen;
        answerNextAlert(answer, &seen);
        window.close();
        return seen;
    }
    int quits = 0;
};

TEST_F(QuitTest, UnsavedWorkAsksFirst) {
    window.show();
    const SeenAlert seen = closeAnswering("CANCEL");
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.title, "YOU HAVE UNSAVED DATA");
    EXPECT_EQ(seen.message, "WANT TO SAVE YOUR PROJECT FIRST?");
    EXPECT_EQ(seen.buttons, (QStringList{"SAVE", "QUIT", "CANCEL"}));
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(state.dataTOG, 1);
}

TEST_F(QuitTest, QuitAnswerEndsTheProgram) {
    window.show();
    closeAnswering("QUIT");
    EXPECT_EQ(quits, 1);
}

TEST_F(QuitTest, SaveAnswerOpensTheSaveSheetAndKeepsRunning) {
    window.show();
    EXPECT_TRUE(closeAnswering("SAVE").shown);
    EXPECT_EQ(quits, 0);
    auto* sheet = window.findChild<QFileDialog*>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->acceptMode(), QFileDialog::AcceptSave);
    sheet->reject();
    EXPECT_EQ(state.dataTOG, 1);
}

TEST_F(QuitTest, NothingUnsavedQuitsAtOnce) {
    state.dataTOG = 0;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    SeenAlert seen;
    answerNextAlert("CANCEL", &seen);
    QTest::keyClick(grid(), Qt::Key_Q, Qt::ControlModifier);  // File ▸ Quit
    QApplication::processEvents();
    EXPECT_FALSE(seen.shown);
    EXPECT_EQ(quits, 1);
}

TEST_F(WindowTest, SheetsOpenWithoutWaiting) {
    window.show();
    window.showSheet("Pattaplex Help", "Tap the SPACEBAR");
    auto* help = window.findChild<QMessageBox*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowModality(), Qt::WindowModal);
    EXPECT_EQ(help->windowTitle(), "Pattaplex Help");
    EXPECT_EQ(help->text(), "Tap the SPACEBAR");
    help->accept();

    QTemporaryDir folder;
    window.beginOpenSheet(folder.path().toStdString(), "Funk.grv");
    auto* open = window.findChild<QFileDialog*>();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(QDir(open->directory()).canonicalPath(), QDir(folder.path()).canonicalPath());
    open->reject();
}

}  // namespace
}  // namespace pattaplex
