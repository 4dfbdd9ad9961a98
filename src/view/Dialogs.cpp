#include "Dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "native_paths.h"

namespace pattaplex {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// What a file name's extension says the sheet is for.
QString sheetTitle(FileSheet kind, const QString& suffix) {
    const bool save = kind == FileSheet::Save;
    if (suffix == "grv") return save ? QObject::tr("Save Groove") : QObject::tr("Open Groove");
    if (suffix == "set") return save ? QObject::tr("Save Drum Set") : QObject::tr("Open Drum Set");
    if (suffix == "mid") return QObject::tr("Export MIDI");
    return save ? QObject::tr("Save") : QObject::tr("Open");
}

QString filterFor(const QString& suffix) {
    if (suffix == "grv") return QObject::tr("Grooves (*.grv)");
    if (suffix == "set") return QObject::tr("Drum sets (*.set)");
    if (suffix == "mid") return QObject::tr("MIDI files (*.mid)");
    return {};
}

}  // namespace

int runAlert(QWidget* parent, const std::string& title, const std::string& message,
             const std::string& first, const std::string& second, const std::string& third) {
    QMessageBox box(parent);
    box.setWindowTitle(qs(title));
    box.setText(qs(title));
    box.setInformativeText(qs(message));
    box.setIcon(QMessageBox::Warning);

    const int answers[] = {1, 0, -1};
    const std::string* titles[] = {&first, &second, &third};
    std::vector<std::pair<QPushButton*, int>> buttons;
    QPushButton* cancel = nullptr;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && titles[i]->empty()) continue;
        const QMessageBox::ButtonRole role =
            i == 0 ? QMessageBox::AcceptRole : QMessageBox::ActionRole;
        QPushButton* button = box.addButton(qs(*titles[i]), role);
        buttons.emplace_back(button, answers[i]);
        if (qs(*titles[i]).compare("cancel", Qt::CaseInsensitive) == 0) cancel = button;
    }
    box.setDefaultButton(buttons.front().first);
    box.setEscapeButton(cancel ? cancel : buttons.back().first);
    box.exec();

    QAbstractButton* clicked = box.clickedButton();
    if (!clicked) clicked = box.escapeButton();
    for (const auto& [button, answer] : buttons)
        if (button == clicked) return answer;
    return buttons.back().second;
}

void showSheet(QWidget* parent, const std::string& title, const std::string& message) {
    auto* box =
        new QMessageBox(QMessageBox::Information, qs(title), qs(message), QMessageBox::Ok, parent);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void beginFileSheet(QWidget* parent, FileSheet kind, const std::string& folder,
                    const std::string& name, const std::string& extension, FileSheetDone done) {
    const QString suffix =
        (extension.empty() ? QFileInfo(qs(name)).suffix() : qs(extension)).toLower();
    auto* dialog = new QFileDialog(parent, sheetTitle(kind, suffix), qs(folder));
    dialog->setAcceptMode(kind == FileSheet::Save ? QFileDialog::AcceptSave
                                                  : QFileDialog::AcceptOpen);
    dialog->setFileMode(kind == FileSheet::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (const QString filter = filterFor(suffix); !filter.isEmpty()) {
        dialog->setNameFilters({filter, QObject::tr("All files (*)")});
        if (kind == FileSheet::Save) dialog->setDefaultSuffix(suffix);
    }
    if (!name.empty()) dialog->selectFile(qs(name));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, done](int result) {
        // As URLs, which a platform's own sheet fills with the name's bytes.
        const QList<QUrl> files = dialog->selectedUrls();
        const bool confirmed = result == QDialog::Accepted && !files.isEmpty();
        done(confirmed, confirmed ? localPathOf(files.front()) : std::string());
    });
    dialog->open();
}

}  // namespace pattaplex
