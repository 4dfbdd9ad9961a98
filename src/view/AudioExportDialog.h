#pragma once
// Audio export from the window: a save sheet that also chooses the number of passes, then
// the rendering on a worker thread behind a progress dialog with Cancel. The window goes
// on playing and editing meanwhile; the export works on a copy of the groove.

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QSpinBox>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "GrooveState.h"

namespace pattaplex {

// What a finished export reports: nothing to say on success or cancel, else why it failed.
struct AudioExportResult {
    bool cancelled = false;
    std::string error;
};

// Renders and writes the file, leaving none when cancelled or failed; polls `cancel` and
// reports the share done, 0..1.
using AudioExportJob = std::function<AudioExportResult(
    const GrooveState& groove, int passes, const std::string& path, const std::atomic<bool>& cancel,
    const std::function<void(double)>& progress)>;

class AudioExporter : public QObject {
    Q_OBJECT
  public:
    static constexpr int kMostPasses = 64;

    AudioExporter(QWidget* window, AudioExportJob job);
    ~AudioExporter() override;  // cancels a running export and waits for it

    // Opens the save sheet in `folder` proposing `name`; returns at once.
    void begin(const GrooveState& groove, const QString& folder, const QString& name);
    // Starts exporting at once, as accepting the sheet does.
    void start(const GrooveState& groove, const QString& path, int passes);

    bool running() const { return worker_.joinable() && !finished_; }
    void cancel();
    // Waits for the worker to end (for tests and for quitting).
    void wait();

    QFileDialog* sheet() const { return sheet_; }
    QSpinBox* passesField() const { return passes_; }
    QProgressDialog* progressDialog() const { return progress_; }

  signals:
    // After the worker ended and its outcome was shown.
    void finished(bool written, const QString& path);

  private:
    void done(const AudioExportResult& result, const QString& path);
    void closeProgress();

    QWidget* window_;
    AudioExportJob job_;
    QPointer<QFileDialog> sheet_;
    QSpinBox* passes_ = nullptr;
    QPointer<QProgressDialog> progress_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> finished_{true};
    GrooveState pending_;
};

}  // namespace pattaplex
