#include "ExportProgress.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>

namespace pattaplex {

ExportProgress::ExportProgress(const QString& fileName, QWidget* keyHome, QWidget* parent)
    : QWidget(parent),
      keyHome_(keyHome),
      name_(new QLabel(fileName)),
      bar_(new QProgressBar),
      cancel_(new QPushButton(tr("Cancel"))) {
    setAccessibleName(tr("Export of %1").arg(fileName));
    bar_->setAccessibleName(tr("Progress"));
    bar_->setMaximumWidth(160);
    bar_->setRange(0, 100);
    cancel_->setToolTip(
        tr("Stop exporting %1; any file of that name stays as it was").arg(fileName));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(name_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_);
    // A click anywhere on the control gives it the keyboard (for Escape); nothing inside it
    // takes the keyboard on its own.
    for (QWidget* part : findChildren<QWidget*>()) part->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::ClickFocus);
    connect(cancel_, &QPushButton::clicked, this, &ExportProgress::requestCancel);
    showWaiting();
}

void ExportProgress::showWaiting() {
    bar_->setValue(0);
    bar_->setFormat(tr("waiting"));
}

void ExportProgress::showShare(double share) {
    if (share < 0) {
        bar_->setRange(0, 0);
        return;
    }
    bar_->setRange(0, 100);
    bar_->setFormat(QStringLiteral("%p%"));
    bar_->setValue(static_cast<int>(share * 100));
}

void ExportProgress::showCancelling() {
    bar_->setFormat(tr("cancelling"));
    cancel_->setEnabled(false);
}

void ExportProgress::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        return requestCancel();
    giveKeysHome();
    if (keyHome_) QApplication::sendEvent(keyHome_, event);
}

// A click on Cancel gave the control the keyboard on its way; the grid has it back.
void ExportProgress::requestCancel() {
    giveKeysHome();
    emit cancelRequested();
}

void ExportProgress::giveKeysHome() {
    if (keyHome_ && hasFocus()) keyHome_->setFocus(Qt::OtherFocusReason);
}

}  // namespace pattaplex
