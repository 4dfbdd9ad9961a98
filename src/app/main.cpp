// The drum machine's window program.
#include <QApplication>
#include <QStandardPaths>
#include <QTimer>

#include "GrooveController.h"
#include "GrooveState.h"
#include "LaunchSound.h"
#include "MainWindow.h"
#include "NoteOutput.h"
#include "launch_probes.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pattaplex"));

    pattaplex::GrooveState state;
    pattaplex::NoteOutput output(state);
    pattaplex::LaunchSound sound(output);
    pattaplex::MainWindow window(state);
    pattaplex::GrooveController controller(state, window, sound);
    controller.setToolkitVersion(QT_VERSION);
    controller.setDesktopFolder(
        QStandardPaths::writableLocation(QStandardPaths::DesktopLocation).toStdString());
    window.attach(controller);
    output.setListener(&controller);

    // The step clock runs on the audio side. While it runs, this timer brings the window's
    // edits to it and its position to the window; stopped, nothing polls.
    QTimer pump;
    QObject::connect(&pump, &QTimer::timeout, [&sound] { sound.pump(); });
    output.setPumpSwitch([&pump](bool on) { on ? pump.start(10) : pump.stop(); });
    pattaplex::installLaunchProbes(window, controller);

    // The window comes up at once; the sound opens as soon as it has been drawn.
    sound.holdOpening();
    controller.awakeFromNib();
    QObject::connect(
        &window, &pattaplex::MainWindow::gridPainted, &window,
        [&sound] { QTimer::singleShot(0, [&sound] { sound.openHeld(); }); },
        Qt::SingleShotConnection);
    window.show();
    return QApplication::exec();
}
