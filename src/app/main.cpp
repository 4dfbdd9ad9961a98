// The drum machine's window program.
#include <QApplication>
#include <QTimer>

#include "GrooveController.h"
#include "GrooveState.h"
#include "MainWindow.h"
#include "SilentSound.h"
#include "launch_probes.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pattaplex"));

    pattaplex::GrooveState state;
    pattaplex::SilentSound sound;
    pattaplex::MainWindow window(state);
    pattaplex::GrooveController controller(state, window, sound);
    controller.setToolkitVersion(QT_VERSION);
    window.attach(controller);
    pattaplex::installLaunchProbes(window, controller);

    controller.awakeFromNib();
    window.showTempo();
    window.show();
    return QApplication::exec();
}
