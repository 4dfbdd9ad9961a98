#include "AudioExportDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

namespace pattaplex {

namespace {

QString fileNameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

// "6 s", "6 min 24 s", "1 h 26 min 24 s".
QString lengthText(double seconds) {
    const long long whole = std::llround(std::max(0.0, seconds));
    const long long hours = whole / 3600, minutes = whole / 60 % 60, rest = whole % 60;
    QString text;
    if (hours) text += QStringLiteral("%1 h ").arg(hours);
    if (hours || minutes) text += QStringLiteral("%1 min ").arg(minutes);
    return text + QStringLiteral("%1 s").arg(rest);
}

}  // namespace

AudioExporter::AudioExporter(QWidget* window, QWidget* keyHome, AudioExportJob job)
    : QObject(window),
      window_(window),
      statusWidget_(new QWidget(window)),
      keyHome_(keyHome),
      job_(std::move(job)),
      outcome_(new QLabel) {
    statusWidget_->hide();
    auto* layout = new QHBoxLayout(statusWidget_);
    layout->setContentsMargins(0, 0, 0, 0);
    outcome_->setAccessibleName(tr("Export status"));
    outcome_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(outcome_, 1);
}

// Only the worker is touched here: the window may have taken the widgets already.
AudioExporter::~AudioExporter() {
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
    delete statusWidget_;
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
    if (suffix != QLatin1String("wav") && suffix != QLatin1String("flac"))
        return report(
            tr("“%1” was not exported: audio is saved as .wav or .flac.").arg(fileNameOf(path)));
    if (queued() >= kMostQueued)
        return report(tr("“%1” was not exported: %2 exports are running or waiting already.")
                          .arg(fileNameOf(path))
                          .arg(kMostQueued));
    auto* progress = new ExportProgress(fileNameOf(path), keyHome_);
    statusWidget_->layout()->addWidget(progress);
    progress->show();  // at once, not when the layout next gets to it
    connect(progress, &ExportProgress::cancelRequested, this,
            [this, progress] { cancel(progress); });
    queue_.push_back({groove, path, std::clamp(passes, 1, kMostPasses), progress});
    statusWidget_->show();
    emit statusChanged();
    startNext();
}

QString AudioExporter::runningName() const {
    return queue_.empty() ? QString() : fileNameOf(queue_.front().path);
}

QList<ExportProgress*> AudioExporter::progressControls() const {
    QList<ExportProgress*> controls;
    for (const Export& e : queue_) controls.append(e.progress);
    return controls;
}

void AudioExporter::startNext() {
    if (worker_.joinable() || queue_.empty()) return;
    const Export& next = queue_.front();
    next.progress->showShare(0);
    cancel_ = false;
    worker_ = std::thread(
        [this, groove = next.groove, passes = next.passes, target = next.path.toStdString()] {
            int shown = -1;
            const auto progress = [this, &shown](double share) {
                const int percent = share < 0 ? -1 : static_cast<int>(share * 100);
                if (percent == shown) return;
                shown = percent;
                QMetaObject::invokeMethod(
                    this,
                    [this, share] {
                        if (!cancel_ && !queue_.empty()) queue_.front().progress->showShare(share);
                    },
                    Qt::QueuedConnection);
            };
            const AudioExportResult result = job_(groove, passes, target, cancel_, progress);
            QMetaObject::invokeMethod(
                this, [this, result] { done(result); }, Qt::QueuedConnection);
        });
}

void AudioExporter::cancel(ExportProgress* progress) {
    if (queue_.empty()) return;
    if (queue_.front().progress == progress && worker_.joinable()) {
        // The running export decides: stopped in time, or already written and kept.
        cancel_ = true;
        progress->showCancelling();
        return;
    }
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (it->progress != progress) continue;
        const Export dropped = *it;
        queue_.erase(it);
        report(tr("Export of %1 cancelled; nothing written").arg(fileNameOf(dropped.path)));
        return finish(dropped, false);
    }
}

void AudioExporter::cancelAll() {
    while (queue_.size() > 1) cancel(queue_.back().progress);
    if (!queue_.empty()) cancel(queue_.front().progress);
}

void AudioExporter::whenIdle(std::function<void()> then) {
    if (!queue_.empty())
        whenIdle_ = std::move(then);
    else if (then)
        then();
}

// The job's own word is the outcome: a cancel that came after the file replaced the old
// one was too late, and the file it wrote stays.
void AudioExporter::done(const AudioExportResult& result) {
    worker_.join();
    const Export ended = queue_.front();
    queue_.pop_front();
    const QString name = fileNameOf(ended.path);
    const bool written = result.error.empty();
    if (written)
        report(tr("Exported %1: %2, %3")
                   .arg(name, ended.passes == 1 ? tr("1 pass") : tr("%1 passes").arg(ended.passes),
                        lengthText(result.seconds)));
    else if (cancel_)
        report(tr("Export of %1 cancelled; nothing written").arg(name));
    else
        report(tr("Export of %1 failed: %2").arg(name, QString::fromStdString(result.error)));
    finish(ended, written);
    startNext();
    if (queue_.empty() && whenIdle_) std::exchange(whenIdle_, nullptr)();
}

void AudioExporter::report(const QString& text) {
    outcome_->setText(text);
    statusWidget_->show();
    emit statusChanged();
}

void AudioExporter::finish(const Export& ended, bool written) {
    ended.progress->deleteLater();
    ended.progress->hide();
    emit statusChanged();
    emit finished(written, ended.path);
}

}  // namespace pattaplex
