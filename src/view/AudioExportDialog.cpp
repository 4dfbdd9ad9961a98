#include "AudioExportDialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>

namespace pattaplex {

AudioExporter::AudioExporter(QWidget* window, AudioExportJob job)
    : QObject(window), window_(window), job_(std::move(job)) {}

AudioExporter::~AudioExporter() {
    cancel();
    wait();
}

void AudioExporter::begin(const GrooveState& groove, const QString& folder, const QString& name) {
    if (sheet_) return sheet_->raise();
    pending_ = groove;
    QDir().mkpath(folder);
    auto* sheet = new QFileDialog(window_, tr("Export Audio"), folder);
    sheet_ = sheet;
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    // The Qt dialog, so that the passes can be chosen on the same sheet.
    sheet->setOption(QFileDialog::DontUseNativeDialog);
    sheet->setAcceptMode(QFileDialog::AcceptSave);
    sheet->setNameFilters({tr("Audio (*.wav *.flac)"), tr("WAV (*.wav)"), tr("FLAC (*.flac)")});
    sheet->setDefaultSuffix(QStringLiteral("wav"));
    sheet->selectFile(name);
    sheet->setWindowModality(Qt::WindowModal);

    passes_ = new QSpinBox(sheet);
    passes_->setRange(1, kMostPasses);
    passes_->setValue(1);
    passes_->setAccessibleName(tr("Passes"));
    passes_->setToolTip(tr("How many times the groove is played into the file"));
    if (auto* grid = qobject_cast<QGridLayout*>(sheet->layout())) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(tr("Passes:"), sheet), row, 0);
        grid->addWidget(passes_, row, 1, Qt::AlignLeft);
    }
    connect(sheet, &QFileDialog::fileSelected, this,
            [this](const QString& path) { start(pending_, path, passes_ ? passes_->value() : 1); });
    sheet->open();
}

void AudioExporter::start(const GrooveState& groove, const QString& path, int passes) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("wav") && suffix != QLatin1String("flac")) {
        QMessageBox::warning(window_, tr("Export Audio"),
                             tr("“%1” was not exported: audio is saved as .wav or .flac.")
                                 .arg(QFileInfo(path).fileName()));
        return;
    }
    if (running()) {
        QMessageBox::information(window_, tr("Export Audio"), tr("An export is already running."));
        return;
    }
    wait();
    cancel_ = false;
    finished_ = false;

    auto* progress = new QProgressDialog(tr("Exporting “%1”…").arg(QFileInfo(path).fileName()),
                                         tr("Cancel"), 0, 0, window_);
    progress_ = progress;
    progress->setWindowTitle(tr("Export Audio"));
    progress->setAttribute(Qt::WA_DeleteOnClose);
    progress->setMinimumDuration(0);
    // Not modal: playing and editing go on while the file is made.
    progress->setWindowModality(Qt::NonModal);
    connect(progress, &QProgressDialog::canceled, this, &AudioExporter::cancel);
    progress->show();

    const std::string target = path.toStdString();
    worker_ = std::thread([this, groove, passes, target, path] {
        int shown = -1;
        const auto report = [this, &shown](double fraction) {
            const int percent = fraction < 0 ? -1 : static_cast<int>(fraction * 100);
            if (percent == shown) return;
            shown = percent;
            QMetaObject::invokeMethod(
                this,
                [this, percent] {
                    if (!progress_ || cancel_) return;
                    if (percent < 0) return progress_->setRange(0, 0);
                    progress_->setRange(0, 100);
                    progress_->setValue(percent);
                },
                Qt::QueuedConnection);
        };
        const AudioExportResult result = job_(groove, passes, target, cancel_, report);
        finished_ = true;
        QMetaObject::invokeMethod(
            this, [this, result, path] { done(result, path); }, Qt::QueuedConnection);
    });
}

void AudioExporter::cancel() {
    cancel_ = true;
    closeProgress();
}

// Closing the dialog would report a cancel; it is closed without one.
void AudioExporter::closeProgress() {
    if (!progress_) return;
    progress_->disconnect(this);
    progress_->close();
}

void AudioExporter::wait() {
    if (worker_.joinable()) worker_.join();
}

void AudioExporter::done(const AudioExportResult& result, const QString& path) {
    wait();
    closeProgress();
    const bool written = !result.cancelled && result.error.empty() && !cancel_;
    // Cancelled just as it completed: the file goes too.
    if (!result.cancelled && result.error.empty() && cancel_) QFile::remove(path);
    if (!result.cancelled && !result.error.empty())
        QMessageBox::warning(
            window_, tr("Export Audio"),
            tr("“%1” was not exported: %2")
                .arg(QFileInfo(path).fileName(), QString::fromStdString(result.error)));
    emit finished(written, path);
}

}  // namespace pattaplex
