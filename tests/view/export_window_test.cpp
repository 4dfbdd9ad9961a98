// Audio exports beside the music: the grid keeps its keys while exports run and queue,
// only a deliberate act cancels one, every outcome is told in the status line, a cancel
// that comes too late keeps the written file, and quitting asks about a running export.
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <chrono>
#include <memory>
#include <thread>

#include "OfflineRender.h"
#include "WindowFixture.h"
#include "alert_answers.h"

namespace pattaplex {
namespace {

// A job that runs until the test lets it end, as a long render would; a cancel stops it.
struct HeldJob {
    std::atomic<bool> go{false};
    std::string failure;  // what it fails with when let go, if anything

    AudioExportJob job() {
        return
            [this](const GrooveState&, int passes, const std::string&,
                   const std::atomic<bool>& cancel, const std::function<void(double)>& progress) {
                progress(0.5);
                while (!go && !cancel) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (cancel) return AudioExportResult{"cancelled"};
                return AudioExportResult{failure, passes * 6.0};
            };
    }
};

class ExportTest : public WindowTest {
  protected:
    ExportTest() {
        window.setAudioExportJob(held.job());
        exporter = window.audioExporter();
        finished = std::make_unique<QSignalSpy>(exporter, &AudioExporter::finished);
    }
    QString path(const QString& name) { return QDir::homePath() + "/" + name; }
    ExportProgress* control(int i) { return exporter->progressControls().value(i); }
    // Waits for the next export to end; whether it wrote its file.
    bool nextEnd() {
        EXPECT_TRUE(finished->wait(30000));
        return finished->last().at(0).toBool();
    }

    HeldJob held;
    AudioExporter* exporter = nullptr;
    std::unique_ptr<QSignalSpy> finished;
};

TEST_F(ExportTest, TheGridKeepsItsKeysWhileExportsRunAndEachOutcomeIsTold) {
    showActive();
    QTest::keyClick(grid(), Qt::Key_Space);
    ASSERT_TRUE(sound.running);
    exporter->start(state, path("Funk.wav"), 64);
    exporter->start(state, path("Rock.flac"), 2);
    ASSERT_EQ(exporter->progressControls().size(), 2);
    EXPECT_EQ(control(1)->bar()->format(), "waiting");
    // A passing message in the status line hides no export, and its end leaves them shown.
    window.showStatusMessage("At most 54 steps");
    EXPECT_TRUE(control(0)->isVisible());
    window.statusBar()->clearMessage();
    EXPECT_TRUE(window.statusBar()->isVisible() && control(1)->isVisible());

    // Keys still reach the grid: Space stops playback, Escape cancels nothing, an edit and
    // its undo work; the exports go on.
    EXPECT_EQ(QApplication::focusWidget(), grid());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_FALSE(sound.running);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    clickGrid(306, 20);  // row 10, step 1
    EXPECT_EQ(state.row(10).BUF[1], 36);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(state.row(10).BUF[1], 0);
    EXPECT_EQ(exporter->queued(), 2);
    EXPECT_EQ(finished->size(), 0);

    // A click on a waiting export's Cancel drops it; the running one goes on and completes.
    control(1)->cancelButton()->click();
    EXPECT_EQ(finished->size(), 1);
    EXPECT_EQ(exporter->outcome(), "Export of Rock.flac cancelled; nothing written");
    EXPECT_EQ(QApplication::focusWidget(), grid());
    held.go = true;
    EXPECT_TRUE(nextEnd());
    EXPECT_EQ(exporter->outcome(), "Exported Funk.wav: 64 passes, 6 min 24 s");
    EXPECT_TRUE(exporter->progressControls().isEmpty());

    // Escape cancels only once the export's own control has the keyboard, by a click;
    // other keys pressed there go on to the grid, with the keyboard.
    held.go = false;
    exporter->start(state, path("Take.wav"), 1);
    QApplication::processEvents();  // lays the status line out
    QTest::mouseClick(control(0)->bar(), Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), control(0));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(sound.running);
    EXPECT_EQ(QApplication::focusWidget(), grid());
    QTest::mouseClick(control(0)->bar(), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(nextEnd());
    EXPECT_EQ(exporter->outcome(), "Export of Take.wav cancelled; nothing written");
    EXPECT_EQ(QApplication::focusWidget(), grid());

    // A failure names its reason; a name that is no sound file and a full queue are
    // refused at once.
    held.failure = "No space left on device";
    held.go = true;
    exporter->start(state, path("Full.wav"), 1);
    EXPECT_FALSE(nextEnd());
    EXPECT_EQ(exporter->outcome(), "Export of Full.wav failed: No space left on device");
    exporter->start(state, path("Funk.mp3"), 1);
    EXPECT_EQ(exporter->outcome(), "“Funk.mp3” was not exported: audio is saved as .wav or .flac.");
    held.go = false;
    for (int i = 0; i <= AudioExporter::kMostQueued; ++i)
        exporter->start(state, path(QString("q%1.wav").arg(i)), 1);
    EXPECT_EQ(exporter->queued(), AudioExporter::kMostQueued);
    EXPECT_EQ(exporter->outcome(),
              "“q4.wav” was not exported: 4 exports are running or "
              "waiting already.");
    exporter->cancelAll();
    while (exporter->queued() > 0) ASSERT_TRUE(finished->wait(30000));
}

// A cancel stops the export before the new file replaces the old one, or comes too late
// and keeps the new file; nothing after the replace deletes anything.
TEST_F(ExportTest, ACancelJustBeforeTheReplaceKeepsTheOldFileAndOneJustAfterKeepsTheNew) {
    std::tie(state.BARS, state.BEATS, state.SUB, state.TEMPO) = std::make_tuple(1, 4, 1, 60);
    state.row(1).BUF[0] = 51;
    const QString file = path("late.wav");
    const auto clickCancel = [this] {
        QMetaObject::invokeMethod(
            exporter, [this] { control(0)->cancelButton()->click(); },
            Qt::BlockingQueuedConnection);
    };
    for (const bool afterReplace : {false, true}) {
        SCOPED_TRACE(afterReplace);
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        // The cancel comes with the render's last report (all rendered, nothing replaced),
        // or once the new file has replaced the old one.
        window.setAudioExportJob([&](const GrooveState& g, int passes, const std::string& path,
                                     const std::atomic<bool>& cancel, const auto&) {
            RenderResult lengths;
            const auto progress = [&](double share) {
                if (share == 1.0 && !afterReplace) clickCancel();
            };
            const auto error =
                renderToFile(g, path, {passes, kSampleRate, 1, progress, &cancel}, &lengths);
            if (afterReplace) clickCancel();
            return AudioExportResult{error.value_or(""), double(lengths.passesEnd) / kSampleRate};
        });
        exporter = window.audioExporter();
        QSignalSpy ended(exporter, &AudioExporter::finished);
        exporter->start(state, file, 1);
        ASSERT_TRUE(ended.wait(60000));
        EXPECT_EQ(ended.first().at(0).toBool(), afterReplace);
        EXPECT_EQ(QFileInfo(file).size() > 1000, afterReplace);
        EXPECT_EQ(exporter->outcome(), afterReplace
                                           ? "Exported late.wav: 1 pass, 4 s"
                                           : "Export of late.wav cancelled; nothing written");
        EXPECT_EQ(QDir::home().entryList({".pattaplex-*"}, QDir::Hidden | QDir::Files).size(), 0);
    }
}

TEST_F(ExportTest, QuittingDuringAnExportAsksToFinishOrDropIt) {
    int quits = 0;
    window.exitProgram = [&quits] { ++quits; };
    window.show();
    exporter->start(state, path("Funk.wav"), 4);
    exporter->start(state, path("Rock.wav"), 4);
    for (const QString answer : {"CANCEL", "", "FINISH, THEN QUIT"}) {
        SCOPED_TRACE(answer.toStdString());
        SeenAlert seen;
        answerNextAlert(answer, &seen);
        window.close();
        ASSERT_TRUE(seen.shown);
        EXPECT_EQ(seen.title, "AN EXPORT IS RUNNING");
        EXPECT_EQ(seen.message,
                  "\"Funk.wav\" and 1 more are still being exported. Finish them before quitting?");
        EXPECT_EQ(seen.buttons, (QStringList{"FINISH, THEN QUIT", "DROP AND QUIT", "CANCEL"}));
    }
    // Finishing first: the program ends once both are written, not before.
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(exporter->queued(), 2);
    held.go = true;
    EXPECT_TRUE(nextEnd());
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(nextEnd());
    EXPECT_EQ(quits, 1);

    // Dropping: the running export stops and the program ends.
    held.go = false;
    exporter->start(state, path("Funk.wav"), 4);
    SeenAlert seen;
    answerNextAlert("DROP AND QUIT", &seen);
    window.close();
    EXPECT_FALSE(nextEnd());
    EXPECT_EQ(quits, 2);
}

TEST_F(ExportTest, TheSheetProposesTheGroovesNameAndOnePassAndReturnExportsIt) {
    window.setAudioExportJob([](const GrooveState& g, int passes, const std::string& path,
                                const std::atomic<bool>& cancel, const auto& progress) {
        const auto error = renderToFile(g, path, {passes, kSampleRate, 1, progress, &cancel});
        return AudioExportResult{error.value_or("")};
    });
    exporter = window.audioExporter();
    QSignalSpy ended(exporter, &AudioExporter::finished);
    const QString folder = path("export");
    state.row(1).BUF[0] = 51;
    window.show();
    exporter->begin(state, folder, "Groove.wav");
    ASSERT_TRUE(exporter->sheet());
    ASSERT_TRUE(QTest::qWaitForWindowActive(exporter->sheet()));
    EXPECT_EQ(exporter->passesField()->value(), 1);
    QTest::keyClick(exporter->sheet()->focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(ended.wait(60000));
    EXPECT_TRUE(ended.last().at(0).toBool());
    EXPECT_TRUE(ended.last().at(1).toString().endsWith("/export/Groove.wav"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"Groove.wav"});
    EXPECT_GT(QFileInfo(folder + "/Groove.wav").size(), 1000);
}

}  // namespace
}  // namespace pattaplex
