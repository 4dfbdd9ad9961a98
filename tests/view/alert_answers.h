#pragma once
// Answering the window's modal alerts as a user would.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace pattaplex {

// What an alert showed when it was answered.
struct SeenAlert {
    bool shown = false;
    QString title, message;
    QStringList buttons;
    bool defaultIsFirst = false;
};

// Presses the button titled `answer` (or Escape, when `answer` is empty) on the next
// modal alert, recording what it showed.
inline void answerNextAlert(const QString& answer, SeenAlert* seen) {
    QTimer::singleShot(0, [answer, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        *seen = {true, box->windowTitle(), box->informativeText(), {}, false};
        for (QAbstractButton* b : box->buttons()) seen->buttons << b->text();
        seen->defaultIsFirst =
            box->defaultButton() && box->defaultButton()->text() == seen->buttons.value(0);
        if (answer.isEmpty()) return QTest::keyClick(box, Qt::Key_Escape);
        for (QAbstractButton* b : box->buttons())
            if (b->text() == answer) return b->click();
    });
}

}  // namespace pattaplex
