#pragma once
// The real window and controller on a sound output that records what it is asked to do.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdio>

#include "GrooveController.h"
#include "MainWindow.h"
#include "fakes.h"

namespace pattaplex {

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
    void showActive() {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    // A click at (x, y) in the grid's coordinates, origin bottom-left.
    void clickGrid(int x, int y) {
        QTest::mouseClick(grid(), Qt::LeftButton, {}, QPoint(x, GridView::kHeight - y));
    }
    QString name(int row) { return window.rowPanel()->soundName(row)->text(); }
    QString volume(int row) { return window.rowPanel()->volumeField(row)->text(); }

    std::FILE* devNull;
    GrooveState state;
    testing::FakeSound sound;
    MainWindow window;
    GrooveController controller;
};

}  // namespace pattaplex
