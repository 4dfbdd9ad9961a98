#pragma once
// The window's alerts and sheets on Qt: a modal alert that is waited for, an
// informational sheet that is not, and window-modal save and open sheets.

#include <QWidget>
#include <functional>
#include <string>

namespace pattaplex {

// A modal alert with up to three buttons, the first the default. Returns 1 for the
// first button, 0 for the second, -1 for the third. Escape or closing the alert
// answers as a button titled "Cancel" would, or else as the last button.
int runAlert(QWidget* parent, const std::string& title, const std::string& message,
             const std::string& first, const std::string& second, const std::string& third);

// A window-modal message with one OK button; returns at once.
void showSheet(QWidget* parent, const std::string& title, const std::string& message);

enum class FileSheet { Save, Open };
using FileSheetDone = std::function<void(bool confirmed, const std::string& path)>;

// A window-modal file sheet in `folder` (a full path, as the controller gives it) proposing
// `name`; returns at once and calls `done` when the sheet is dismissed. The file kind's
// extension ("grv", "set", "mid") is `extension`, or else the proposed name's: the sheet
// filters for it, with an "All files" choice, and a save adds it to a name typed without
// an extension.
void beginFileSheet(QWidget* parent, FileSheet kind, const std::string& folder,
                    const std::string& name, const std::string& extension, FileSheetDone done);

}  // namespace pattaplex
