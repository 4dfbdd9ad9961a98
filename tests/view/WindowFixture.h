#pragma once
// The real window and controller on a sound output that records what it is asked to do,
// with helpers to answer the window's modal alerts.

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

class RecordingSound : public Sound {
  public:
    bool initQT(int kit) override {
        opened.push_back(kit);
        return true;
    }
    void closeOutput() override {}
    void audition(int note, int velocity) override { auditions.emplace_back(note, velocity); }
    void startClock() override { running = true; }
    void stopClock() override { running = false; }
    bool clockRunning() const override { return running; }
    void pump() override { ++pumps; }

    std::vector<int> opened;
    std::vector<std::pair<int, int>> auditions;
    bool running = false;
    int pumps = 0;
};

// What an alert showed when it was answered.
struct SeenAlert {
    bool shown = false;
    QString title, text, message;
    QStringList buttons;
    bool defaultIsFirst = false;
};

// Presses the button titled `answer` (or Escape, when `answer` is empty) on the next
// modal alert, recording what it showed.
inline void answerNextAlert(const QString& answer, SeenAlert* seen) {
    QTimer::singleShot(0, [answer, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen->shown = true;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->message = box->informativeText();
        for (QAbstractButton* b : box->buttons()) seen->buttons << b->text();
        seen->defaultIsFirst = !box->buttons().isEmpty() && box->defaultButton() != nullptr &&
                               box->defaultButton()->text() == seen->buttons.value(0);
        if (answer.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
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
        controller.awakeFromNib();
        window.showTempo();
        drawGrid();
    }
    ~WindowTest() override { std::fclose(devNull); }

    GridView* grid() { return window.gridView(); }
    // Runs a drawing pass, which settles the grid's geometry.
    void drawGrid() { grid()->grab(); }
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
