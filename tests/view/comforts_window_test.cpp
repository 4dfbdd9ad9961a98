// The grid scaled to the window, the typed fields giving the keyboard back, the files
// opened lately, and the window's first frame.
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QSpinBox>
#include <filesystem>

#include "WindowFixture.h"
#include "alert_answers.h"
#include "groove_files.h"

namespace pattaplex {
namespace {

TEST_F(WindowTest, GridScalesUniformlyAndClicksMapBack) {
    // {widget size, where the drawing's (300, 310) lands}: scaled to fit, centred.
    const struct {
        QSize size;
        QPointF at;
    } sizes[] = {{{808, 340}, {300, 30}},
                 {{1616, 680}, {600, 60}},
                 {{1616, 340}, {704, 30}},  // wide: scale 1, centred across
                 {{1212, 1000}, {450, 290}}};
    for (const auto& [size, at] : sizes) {
        SCOPED_TRACE(size.width());
        grid()->resize(size);
        EXPECT_EQ(grid()->drawingToWidget().map(QPointF(300, 310)), at);
        EXPECT_LT(QLineF(grid()->toDrawing(at), QPointF(300, 310)).length(), 1e-9);
        state.row(1).BUF[0] = 0;
        QTest::mouseClick(grid(), Qt::LeftButton, {}, at.toPoint());
        EXPECT_EQ(state.row(1).BUF[0], 51);
    }
    // A press and a drag across three cells, then one undo.
    grid()->resize(1616, 680);
    QTest::mousePress(grid(), Qt::LeftButton, {}, QPoint(600, 122));  // row 2, column 0
    QMouseEvent move(QEvent::MouseMove, QPointF(690, 122), grid()->mapToGlobal(QPointF(690, 122)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(grid(), &move);
    QTest::mouseRelease(grid(), Qt::LeftButton, {}, QPoint(690, 122));
    EXPECT_EQ(state.row(2).BUF[3], 37);
    window.undoAction()->trigger();
    EXPECT_EQ(state.row(2).BUF[3] + state.row(2).BUF[0], 0);
    EXPECT_EQ(window.undoAction()->text() + "/" + window.redoAction()->text(),
              "Undo Step/Redo Paint");
}

TEST_F(WindowTest, TypedFieldsKeepTheKeysAndGiveThemBack) {
    showActive();
    state.row(1).BUF[0] = 51;
    QLineEdit* tempo = window.tempoEntry();
    // {typed, tempo after Enter (0: Escape instead)}
    for (auto [typed, bpm] : {std::pair{"95", 95}, {"130", 0}}) {
        QTest::mouseClick(tempo, Qt::LeftButton);
        EXPECT_TRUE(tempo->hasFocus());
        tempo->selectAll();
        QTest::keyClicks(tempo, typed);
        QTest::keyClick(tempo, Qt::Key_Backspace);  // edits the field, not the grid
        QTest::keyClicks(tempo, QString(typed).right(1));
        QTest::keyClick(tempo, bpm ? Qt::Key_Return : Qt::Key_Escape);
        EXPECT_EQ(state.TEMPO, bpm ? bpm : 95);
        EXPECT_EQ(tempo->text().toInt(), state.TEMPO);
        EXPECT_TRUE(grid()->hasFocus());
    }
    EXPECT_EQ(state.row(1).BUF[0], 51);

    QSpinBox* sound = window.rowPanel()->soundSelector(4);
    QTest::mouseClick(sound, Qt::LeftButton);
    sound->selectAll();
    QTest::keyClicks(sound, "7");
    QTest::keyClick(sound, Qt::Key_Return);
    EXPECT_EQ(state.row(4).DR, 42);
    EXPECT_TRUE(grid()->hasFocus());
    QTest::mouseClick(sound, Qt::LeftButton);
    QTest::keyClick(grid(), Qt::Key_T);  // a click on the grid takes the keyboard back
    QTest::mouseClick(grid(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(grid()->hasFocus());
}

TEST_F(WindowTest, OpenedFilesAreRememberedNewestFirstUpToTen) {
    for (int i = 0; i < 12; ++i) {
        const std::string path = QDir::homePath().toStdString() + "/g" + std::to_string(i) + ".grv";
        controller.savePanelDidEnd(true, path);
        controller.openPath(path);
    }
    controller.openPath(QDir::homePath().toStdString() + "/g5.grv");
    const QStringList recent = window.recentFiles();
    ASSERT_EQ(recent.size(), 10);
    EXPECT_TRUE(recent[0].endsWith("/g5.grv") && recent[1].endsWith("/g11.grv"));
    EXPECT_TRUE(recent[9].endsWith("/g2.grv"));
}

TEST_F(WindowTest, AGrooveWhoseNameIsNoUtf8OpensFromADropAndFromTheRecentFiles) {
    const QByteArray name = QFile::encodeName(QDir::homePath()) + "/caf\xE9.grv";
    struct Removal {  // the toolkit's own clean-up of the home folder passes such names by
        std::string path;
        ~Removal() { std::filesystem::remove(path); }
    } removal{name.toStdString()};
    controller.doPreset(3);  // Funk, at 80 beats a minute
    ASSERT_TRUE(saveGroove(name.toStdString(), state));
    controller.doPreset(1);
    ASSERT_NE(state.TEMPO, 80);
    state.dataTOG = 0;  // nothing unsaved to ask about before each open

    QMimeData dropped;
    dropped.setUrls({QUrl::fromEncoded("file://" + name.toPercentEncoding("/"))});
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    SeenAlert refusal;  // a refusal, were the name mangled, is answered and noted
    answerNextAlert("", &refusal);
    // As the toolkit hands a drop to the window, without the drag it would come from.
    static_cast<QObject&>(window).event(&drop);
    EXPECT_FALSE(refusal.shown) << refusal.title.toStdString();
    EXPECT_EQ(state.TEMPO, 80);

    controller.doPreset(1);
    state.dataTOG = 0;
    QMenu* recent = nullptr;
    for (QMenu* menu : window.findChildren<QMenu*>())
        if (menu->title() == QStringLiteral("Open Recent")) recent = menu;
    ASSERT_TRUE(recent);
    emit recent->aboutToShow();
    ASSERT_FALSE(recent->actions().isEmpty());
    EXPECT_EQ(recent->actions().front()->text(), QStringLiteral("caf\uFFFD.grv"));
    answerNextAlert("", &refusal);
    recent->actions().front()->trigger();
    EXPECT_FALSE(refusal.shown) << refusal.title.toStdString();
    EXPECT_EQ(state.TEMPO, 80);
}

// The window drawn unseen before it first shows, so that its first frame comes with its
// map: it shows at the size it would have had, and its first paint (which lets the sound
// open) is the one on the screen.
TEST_F(WindowTest, ADrawingBeforeTheWindowShowsIsNotItsFirstPaintAndKeepsItsSize) {
    GrooveState otherState;
    testing::FakeSound otherSound;
    MainWindow plain(otherState);
    GrooveController other(otherState, plain, otherSound, systemSeconds, devNull);
    plain.attach(other);
    other.awakeFromNib();

    QSignalSpy painted(&window, &MainWindow::gridPainted);
    window.prepareFirstFrame();
    EXPECT_EQ(painted.size(), 0);
    window.show();
    plain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window) && QTest::qWaitForWindowExposed(&plain));
    EXPECT_TRUE(painted.size() > 0 || painted.wait(5000));
    EXPECT_EQ(window.size(), plain.size());
}

}  // namespace
}  // namespace pattaplex
