#pragma once
// Audio export from the window: a save sheet that also chooses the number of passes, then
// the rendering on a worker thread, one export after another. Each export shows in the
// status line with its progress and its own Cancel, and nothing takes the keyboard from
// the grid, so playing and editing go on meanwhile. An export works on a copy of the
// groove; its outcome stays in the status line, naming the file.

#include <QFileDialog>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QSpinBox>
#include <atomic>
#include <deque>
#include <functional>
#include <string>
#include <thread>

#include "ExportProgress.h"
#include "GrooveState.h"

namespace pattaplex {

// What a finished export reports: why nothing was written, or else the length of the
// passes written.
struct AudioExportResult {
    std::string error;
    double seconds = 0;
};

// Renders and writes the file, leaving none when cancelled or failed; polls `cancel` and
// reports the share done, 0..1. A cancel that comes once the file has replaced any old one
// is too late: the file is written and stays.
using AudioExportJob = std::function<AudioExportResult(
    const GrooveState& groove, int passes, const std::string& path, const std::atomic<bool>& cancel,
    const std::function<void(double)>& progress)>;

class AudioExporter : public QObject {
    Q_OBJECT
  public:
    static constexpr int kMostPasses = 64;
    // Exports running and waiting at once; the status line has room for no more.
    static constexpr int kMostQueued = 4;

    // Keys pressed on the exports' controls go to `keyHome`.
    AudioExporter(QWidget* window, QWidget* keyHome, AudioExportJob job);
    ~AudioExporter() override;  // drops the exports and waits for the running one to stop

    // Opens the save sheet in `folder` proposing `name`; returns at once.
    void begin(const GrooveState& groove, const QString& folder, const QString& name);
    // Queues an export, as accepting the sheet does; it starts when those before it end.
    void start(const GrooveState& groove, const QString& path, int passes);

    // Exports running or waiting.
    int queued() const { return static_cast<int>(queue_.size()); }
    QString runningName() const;
    // Drops the waiting exports and cancels the running one.
    void cancelAll();
    // Calls `then` once no export runs or waits (at once if none does); null forgets it.
    void whenIdle(std::function<void()> then);

    // The exports and their last outcome, for the window's status line.
    QWidget* statusWidget() const { return statusWidget_; }
    // Whether the status widget has anything to show.
    bool hasNews() const { return !queue_.empty() || !outcome_->text().isEmpty(); }

    QFileDialog* sheet() const { return sheet_; }
    QSpinBox* passesField() const { return passes_; }
    // The exports' controls in the status line, the running one first.
    QList<ExportProgress*> progressControls() const;
    // The last outcome, as the status line shows it.
    QString outcome() const { return outcome_->text(); }

  signals:
    // After an export ended and its outcome was shown.
    void finished(bool written, const QString& path);
    // Something was added to or taken from the status line.
    void statusChanged();

  private:
    struct Export {
        GrooveState groove;
        QString path;
        int passes = 1;
        ExportProgress* progress = nullptr;
    };

    void startNext();
    void cancel(ExportProgress* progress);
    void done(const AudioExportResult& result);
    void report(const QString& text);
    void finish(const Export& ended, bool written);

    QWidget* window_;
    QPointer<QWidget> statusWidget_;
    QPointer<QWidget> keyHome_;
    AudioExportJob job_;
    QPointer<QFileDialog> sheet_;
    QSpinBox* passes_ = nullptr;
    QLabel* outcome_;
    std::deque<Export> queue_;  // the front one runs while the worker does
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::function<void()> whenIdle_;
    GrooveState pending_;
};

}  // namespace pattaplex
