#pragma once
// One audio export as the status line shows it: the file's name, its progress and its
// own Cancel. It never takes the keyboard by itself, so the grid keeps every key while
// an export runs; clicked, it takes the keyboard only to hear Escape (cancel), and any
// other key goes on to the grid with the keyboard.

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

namespace pattaplex {

class ExportProgress : public QWidget {
    Q_OBJECT
  public:
    // `keyHome` gets the keys this control does not use.
    ExportProgress(const QString& fileName, QWidget* keyHome, QWidget* parent = nullptr);

    void showWaiting();
    // `share` done, 0..1, or below 0 while it cannot be told.
    void showShare(double share);
    void showCancelling();

    QPushButton* cancelButton() const { return cancel_; }
    QProgressBar* bar() const { return bar_; }

  signals:
    void cancelRequested();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void requestCancel();
    void giveKeysHome();

    QPointer<QWidget> keyHome_;
    QLabel* name_;
    QProgressBar* bar_;
    QPushButton* cancel_;
};

}  // namespace pattaplex
