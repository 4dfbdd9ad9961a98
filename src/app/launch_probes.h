#pragma once
// Hooks for measuring and picturing the program, switched on by environment variables
// and otherwise inert:
//   PATTAPLEX_STARTUP_PROBE=1     print "first-paint <ns>" (CLOCK_MONOTONIC) at the first
//                                 drawing of the grid, and go on (the window is watched
//                                 on the screen meanwhile);
//   PATTAPLEX_SCREENSHOT=<file>   load PATTAPLEX_SCREENSHOT_PRESET (a preset number), save
//                                 a picture of the window to <file>, then quit.

namespace pattaplex {

class MainWindow;
class GrooveController;

void installLaunchProbes(MainWindow& window, GrooveController& controller);

}  // namespace pattaplex
