// Alerts and sheets of the window, and quitting through them.
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "WindowFixture.h"
#include "alert_answers.h"
#include "groove_files.h"

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
        EXPECT_EQ(seen.message,
                  "\"Groove\" has changes that are not saved. WANT TO SAVE YOUR PROJECT FIRST?");
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

// The title names the groove and marks unsaved work; a file dropped on that work asks
// first; Save As always brings up the save sheet.
TEST_F(WindowTest, TitleDropOverUnsavedWorkAndSaveAs) {
    window.show();
    EXPECT_EQ(window.windowTitle(), "Groove \u2014 Pattaplex");
    clickGrid(300, 310);
    EXPECT_EQ(window.windowTitle(), "Groove* \u2014 Pattaplex");

    QTemporaryDir folder;
    const QString funk = folder.filePath("Funk.grv");
    GrooveState other = state;
    other.KIT = 16401;
    ASSERT_TRUE(saveGroove(funk.toStdString(), other));
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(funk)});
    for (const QString answer : {"CANCEL", "DON'T SAVE"}) {
        SeenAlert seen;
        answerNextAlert(answer, &seen);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &drop);
        EXPECT_EQ(seen.title + "/" + seen.buttons.join(","),
                  "YOU HAVE UNSAVED DATA/SAVE,DON'T SAVE,CANCEL");
    }
    EXPECT_EQ(state.KIT, 16401);
    EXPECT_EQ(window.windowTitle(), "Funk \u2014 Pattaplex");

    for (QAction* action : window.findChildren<QAction*>())
        if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)) action->trigger();
    auto* sheet = window.findChild<QFileDialog*>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->acceptMode(), QFileDialog::AcceptSave);
    sheet->reject();
}

}  // namespace
}  // namespace pattaplex
