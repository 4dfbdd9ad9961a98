// The drum machine's window program.
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "GridAccessibility.h"
#include "GrooveController.h"
#include "GrooveState.h"
#include "LaunchSound.h"
#include "MainWindow.h"
#include "NoteOutput.h"
#include "OfflineRender.h"
#include "launch_probes.h"

namespace {

constexpr int kUsageError = 2;

// What the command line asks for: an exit status when the program should stop at once
// (help, version, a usage error), otherwise the file to open, if any.
struct CommandLine {
    int exitStatus = -1;
    std::string file;
    // MIDI choices for this run, over the remembered ones.
    bool midiOut = false;
    bool clockOut = false;
    std::optional<pattaplex::SyncSource> sync;
    bool timebaseMaster = false;
};

// An argument byte for byte as the system gave it: the toolkit's list holds text, which
// cannot carry every name a file may have.
std::string argumentBytes(const QString& argument, int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (QString::fromLocal8Bit(argv[i]) == argument) return argv[i];
    return QFile::encodeName(argument).toStdString();
}

// `argc` and `argv` as the toolkit leaves them, without its own options.
CommandLine readCommandLine(const QCoreApplication& app, int argc, char** argv) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A step-sequencer drum machine: ten drum rows by up to 54 steps, "
                       "played in a loop through a General MIDI synthesizer."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A groove (.grv) or drum set (.set) to open."),
                                 QStringLiteral("[FILE]"));
    const QCommandLineOption midiOut(QStringLiteral("midi-out"),
                                     QStringLiteral("Send the groove's notes on MIDI."));
    const QCommandLineOption clockOut(
        QStringLiteral("clock-out"),
        QStringLiteral("Send MIDI clock, Start, Stop and Continue on MIDI."));
    const QCommandLineOption sync(
        QStringLiteral("sync"),
        QStringLiteral("Where the tempo, start and stop come from: internal (the groove's "
                       "own), midi-clock (the MIDI clock received), jack-transport (JACK "
                       "transport) or link (a Link session on the network)."),
        QStringLiteral("SOURCE"));
    const QCommandLineOption link(
        QStringLiteral("link"), QStringLiteral("Play in a Link session: the same as --sync=link."));
    const QCommandLineOption timebaseMaster(
        QStringLiteral("timebase-master"),
        QStringLiteral("Be JACK's timebase master: JACK transport takes the groove's tempo, "
                       "beats per bar and bars."));
    parser.addOptions({midiOut, clockOut, sync, link, timebaseMaster});
    CommandLine result;
    const auto usageError = [&](const QString& message) {
        std::fprintf(stderr, "pattaplex: %s\nTry 'pattaplex --help' for more information.\n",
                     qPrintable(message));
        result.exitStatus = kUsageError;
        return result;
    };
    if (!parser.parse(QCoreApplication::arguments())) return usageError(parser.errorText());
    // The toolkit's own options are listed by the parser itself, which then exits.
    if (parser.isSet(QStringLiteral("help-all"))) parser.process(app);
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        result.exitStatus = 0;
        return result;
    }
    if (parser.isSet(version)) {
        std::printf("pattaplex %s\n", PATTAPLEX_VERSION);
        result.exitStatus = 0;
        return result;
    }
    result.midiOut = parser.isSet(midiOut);
    result.clockOut = parser.isSet(clockOut);
    result.timebaseMaster = parser.isSet(timebaseMaster);
    if (parser.isSet(sync)) {
        const QString source = parser.value(sync);
        result.sync = pattaplex::syncNamed(source);
        if (!result.sync)
            return usageError(QStringLiteral("--sync takes internal, midi-clock, jack-transport "
                                             "or link, not \"%1\"")
                                  .arg(source));
    }
    if (parser.isSet(link)) {
        if (result.sync && *result.sync != pattaplex::SyncSource::Link)
            return usageError(QStringLiteral("--link and --sync=%1 cannot both be the source")
                                  .arg(pattaplex::syncName(*result.sync)));
        result.sync = pattaplex::SyncSource::Link;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) return usageError(QStringLiteral("one file at most, please"));
    if (!files.isEmpty()) result.file = argumentBytes(files.first(), argc, argv);
    return result;
}

// Help and version are answered without a display.
bool asksForTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (asksForTextOnly(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("pattaplex"));
        QCoreApplication::setApplicationVersion(QStringLiteral(PATTAPLEX_VERSION));
        const int status = readCommandLine(app, argc, argv).exitStatus;
        return status < 0 ? 0 : status;
    }

    QApplication app(argc, argv);  // takes the toolkit's own options off the command line
    QApplication::setApplicationName(QStringLiteral("Pattaplex"));
    QApplication::setOrganizationName(QStringLiteral("Pattaplex"));
    QApplication::setApplicationVersion(QStringLiteral(PATTAPLEX_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(PATTAPLEX_APP_ID));
    // The installed icon, when there is one; run from the build folder, the window has none.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(PATTAPLEX_APP_ID)));
    const CommandLine commandLine = readCommandLine(app, argc, argv);
    if (commandLine.exitStatus >= 0) return commandLine.exitStatus;

    pattaplex::installAccessibility();
    pattaplex::GrooveState state;
    pattaplex::NoteOutput output(state);
    pattaplex::LaunchSound sound(output);
    pattaplex::MainWindow window(state);
    pattaplex::GrooveController controller(state, window, sound);
    controller.setToolkitVersion(QT_VERSION);
    controller.setDesktopFolder(
        QStandardPaths::writableLocation(QStandardPaths::DesktopLocation).toStdString());
    window.attach(controller);
    window.attachSound(sound);
    // Audio exports render as the command-line render does, on the exporter's thread.
    window.setAudioExportJob([](const pattaplex::GrooveState& groove, int passes,
                                const std::string& path, const std::atomic<bool>& cancel,
                                const std::function<void(double)>& progress) {
        pattaplex::RenderOptions options;
        options.passes = passes;
        options.progress = progress;
        options.cancel = &cancel;
        pattaplex::RenderResult lengths;
        const auto error = pattaplex::renderToFile(groove, path, options, &lengths);
        return pattaplex::AudioExportResult{error.value_or(""),
                                            double(lengths.passesEnd) / options.rate};
    });
    output.setListener(&controller);

    // The step clock runs on the audio side. While it runs, this timer brings the window's
    // edits to it and its position to the window; stopped, nothing polls.
    QTimer pump;
    QObject::connect(&pump, &QTimer::timeout, [&sound, &controller] {
        sound.pump();
        controller.followPlayhead();
    });
    output.setPumpSwitch([&pump](bool on) { on ? pump.start(10) : pump.stop(); });
    // The MIDI menu's remembered choices, with the command line's over them.
    pattaplex::MidiSettings midi = window.midiSettings();
    midi.sendNotes = midi.sendNotes || commandLine.midiOut;
    midi.sendClock = midi.sendClock || commandLine.clockOut;
    midi.sync = commandLine.sync.value_or(midi.sync);
    midi.timebaseMaster = midi.timebaseMaster || commandLine.timebaseMaster;
    window.setMidiSettings(midi);
    // A lost sound device is told of from the driver's own thread; the output deals with
    // it, and tries the device again later, on this one.
    output.setServiceCall([&app, &output](int delayMs) {
        QMetaObject::invokeMethod(
            &app,
            [&app, &output, delayMs] {
                QTimer::singleShot(delayMs, &app, [&output] { output.service(); });
            },
            Qt::QueuedConnection);
    });
    pattaplex::installLaunchProbes(window, controller);

    // The window comes up at once; the sound opens as soon as it has been drawn.
    sound.holdOpening();
    controller.awakeFromNib();
    QObject::connect(
        &window, &pattaplex::MainWindow::gridPainted, &window,
        [&sound] { QTimer::singleShot(0, [&sound] { sound.openHeld(); }); },
        Qt::SingleShotConnection);
    window.prepareFirstFrame();
    window.show();
    // A file named on the command line opens once the event loop runs, so that a refusal's
    // alert comes up over the window.
    if (!commandLine.file.empty())
        QTimer::singleShot(0, &window,
                           [&controller, &commandLine] { controller.openPath(commandLine.file); });
    return QApplication::exec();
}
