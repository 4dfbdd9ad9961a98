#pragma once
// The real window and controller on a sound output that records what it is asked to do,
// with a helper to answer the window's modal alerts.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <utility>
#include <vector>

#include "GrooveController.h"
#include "MainWindow.h"

namespace pattaplex {

struct RecordingSound : Sound {
    bool initQT(int kit) override { return opened.push_back(kit), true; }
    void closeOutput() override {}
    void audition(int note, int velocity) override { auditions.emplace_back(note, velocity); }
    void startClock() override { running = true; }
    void stopClock() override { running = false; }
    bool clockRunning() const override { return running; }
    void pump() override { ++pumps; }
    void setMasterVolume(float volume) override { masterVolume = volume; }
    float outputPeak() override { return std::exchange(peak, 0.0f); }
    std::vector<int> opened;
    std::vector<std::pair<int, int>> auditions;
    bool running = false;
    int pumps = 0;
    float masterVolume = -1, peak = 0;
};

// What an alert showed when it was answered.
struct SeenAlert {
    bool shown = false;
    QString title, message;
    QStringList buttons;
    bool defaultIsFirst = false;
};

// Presses the button titled `answer` (or Escape, when `answer` is empty) on the next
// modal alert, recording what it showed.
inline void answerNextAlert(const QString& answer, SeenAlert* seen) {
    QTimer::singleShot(0, [answer, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        *seen = {true, box->windowTitle(), box->informativeText(), {}, false};
        for (QAbstractButton* b : box->buttons()) seen->buttons << b->text();
        seen->defaultIsFirst =
            box->defaultButton() && box->defaultButton()->text() == seen->buttons.value(0);
        if (answer.isEmpty()) return QTest::keyClick(box, Qt::Key_Escape);
        for (QAbstractButton* b : box->buttons())
            if (b->text() == answer) return b->click();
    });
}

class WindowTest : public ::testing::Test {
  protected:
    WindowTest()
        : devNull(std::fopen("/dev/null", "w")),
          window(state),
          controller(state, window, sound, systemSeconds, devNull) {
        window.attach(controller);
        window.attachSound(sound);
        controller.awakeFromNib();
        drawGrid();
    }
    ~WindowTest() override { std::fclose(devNull); }

    GridView* grid() { return window.gridView(); }
    void drawGrid() { grid()->grab(); }  // a drawing pass settles the grid's geometry
    // A click at (x, y) in the grid's coordinates, origin bottom-left.
    void clickGrid(int x, int y) {
        QTest::mouseClick(grid(), Qt::LeftButton, {}, QPoint(x, GridView::kHeight - y));
    }
    QString name(int row) { return window.rowPanel()->soundName(row)->text(); }
    QString volume(int row) { return window.rowPanel()->volumeField(row)->text(); }

    std::FILE* devNull;
    GrooveState state;
    RecordingSound sound;
    MainWindow window;
    GrooveController controller;
};

}  // namespace pattaplex
