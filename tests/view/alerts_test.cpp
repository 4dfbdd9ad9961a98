// Alerts and sheets of the window, and quitting through them.
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "WindowFixture.h"
#include "alert_answers.h"

namespace pattaplex {
namespace {

// The close button goes through quitting: each answer of its alert, as a user gives it.
TEST_F(WindowTest, ClosingWithUnsavedWorkAsksFirst) {
    EXPECT_TRUE(window.exitProgram) << "the window must know how to end the program";
    int quits = 0;
    window.exitProgram = [&quits] { ++quits; };
    state.dataTOG = 1;
    window.show();
    // Escape (an empty answer) must act as CANCEL, never as QUIT.
    for (const QString answer : {"CANCEL", "", "SAVE", "QUIT"}) {
        SCOPED_TRACE(answer.toStdString());
        SeenAlert seen;
        answerNextAlert(answer, &seen);
        window.close();
        ASSERT_TRUE(seen.shown);
        EXPECT_EQ(seen.title, "YOU HAVE UNSAVED DATA");
        EXPECT_EQ(seen.message, "WANT TO SAVE YOUR PROJECT FIRST?");
        EXPECT_EQ(seen.buttons, (QStringList{"SAVE", "QUIT", "CANCEL"}));
        EXPECT_TRUE(seen.defaultIsFirst);
        EXPECT_EQ(quits, answer == "QUIT" ? 1 : 0);
        auto* sheet = window.findChild<QFileDialog*>();
        EXPECT_EQ(sheet && sheet->isVisible(), answer == "SAVE");
        if (sheet) sheet->reject();
    }
    EXPECT_EQ(state.dataTOG, 1);

    state.dataTOG = 0;  // nothing unsaved: File ▸ Quit ends at once
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(grid(), Qt::Key_Q, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(quits, 2);
}

TEST_F(WindowTest, SheetsAreWindowModalAndOpenWithoutWaiting) {
    window.show();
    window.showSheet("Pattaplex Help", "Tap the SPACEBAR");
    auto* help = window.findChild<QMessageBox*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowModality(), Qt::WindowModal);
    EXPECT_EQ(help->windowTitle() + "/" + help->text(), "Pattaplex Help/Tap the SPACEBAR");
    help->accept();

    QTemporaryDir folder;
    window.beginOpenSheet(folder.path().toStdString(), "Funk", "grv");
    auto* open = window.findChild<QFileDialog*>();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open->windowModality(), Qt::WindowModal);
    EXPECT_EQ(QDir(open->directory()).canonicalPath(), QDir(folder.path()).canonicalPath());
    EXPECT_EQ(open->nameFilters(), QStringList({"Grooves (*.grv)", "All files (*)"}));
    open->reject();

    // A save adds the kind's extension to a name typed without one.
    window.beginSaveSheet(folder.path().toStdString(), "Funk.mid");
    auto* save = window.findChildren<QFileDialog*>().value(1);  // the open sheet is closing
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->defaultSuffix(), "mid");
    save->reject();
}

}  // namespace
}  // namespace pattaplex
