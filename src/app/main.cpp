// The drum machine's window program.
#include <QApplication>
#include <QStandardPaths>
#include <QTimer>

#include "GrooveController.h"
#include "GrooveState.h"
#include "LaunchSound.h"
#include "MainWindow.h"
#include "NoteOutput.h"
#include "audio_export.h"
#include "launch_probes.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pattaplex"));
    QApplication::setOrganizationName(QStringLiteral("Pattaplex"));

    pattaplex::GrooveState state;
    pattaplex::NoteOutput output(state);
    pattaplex::LaunchSound sound(output);
    pattaplex::MainWindow window(state);
    pattaplex::GrooveController controller(state, window, sound);
    controller.setToolkitVersion(QT_VERSION);
    controller.setDesktopFolder(
        QStandardPaths::writableLocation(QStandardPaths::DesktopLocation).toStdString());
    window.attach(controller);
    window.setAudioExportJob([](const pattaplex::GrooveState& groove, int passes,
                                const std::string& path, const std::atomic<bool>& cancel,
                                const std::function<void(double)>& progress) {
        progress(-1);  // the rendering itself gives no figures
        const auto outcome = pattaplex::exportAudio(groove, passes, path, cancel, progress);
        return pattaplex::AudioExportResult{outcome.cancelled, outcome.error};
    });
    output.setListener(&controller);

    // The step clock schedules ahead and reports what has sounded from the main thread.
    QTimer pump;
    pump.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pump, &QTimer::timeout, [&sound] { sound.pump(); });
    pump.start(5);
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
