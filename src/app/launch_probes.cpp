#include "launch_probes.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <ctime>

#include "GrooveController.h"
#include "MainWindow.h"

namespace pattaplex {

namespace {

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

void installStartupProbe(MainWindow& window) {
    QObject::connect(
        &window, &MainWindow::gridPainted, &window,
        [] {
            std::printf("first-paint %lld\n", monotonicNanoseconds());
            std::fflush(stdout);
        },
        Qt::SingleShotConnection);
}

void installScreenshot(MainWindow& window, GrooveController& controller, const QString& file) {
    const int preset = qEnvironmentVariableIntValue("PATTAPLEX_SCREENSHOT_PRESET");
    QTimer::singleShot(0, &window, [&window, &controller, preset, file] {
        if (preset > 0) controller.doPreset(preset);
        // Give the window time to lay out and draw before it is pictured.
        QTimer::singleShot(500, &window, [&window, file] {
            const bool saved = window.grab().save(file);
            std::fprintf(stderr, saved ? "saved %s\n" : "could not save %s\n", qPrintable(file));
            QCoreApplication::exit(saved ? 0 : 1);
        });
    });
}

}  // namespace

void installLaunchProbes(MainWindow& window, GrooveController& controller) {
    if (qEnvironmentVariableIsSet("PATTAPLEX_STARTUP_PROBE")) installStartupProbe(window);
    const QString screenshot = qEnvironmentVariable("PATTAPLEX_SCREENSHOT");
    if (!screenshot.isEmpty()) installScreenshot(window, controller, screenshot);
}

}  // namespace pattaplex
