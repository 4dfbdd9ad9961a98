#include "KeyTranslation.h"

#include "Command.h"

namespace pattaplex {

namespace {

uint32_t modifierFlags(Qt::KeyboardModifiers modifiers) {
    uint32_t flags = 0;
    if (modifiers & Qt::ControlModifier) flags |= kControlKey;
    if (modifiers & Qt::AltModifier) flags |= kOptionKey;
    if (modifiers & Qt::MetaModifier) flags |= kCommandKey;
    return flags;
}

// The Option characters the key table names, whatever the keyboard layout.
std::optional<char32_t> optionCharacter(int key) {
    if (key >= Qt::Key_1 && key <= Qt::Key_9) return kOptionDigits[key - Qt::Key_1];
    switch (key) {
        case Qt::Key_0:
            return kOptionDigits[9];
        case Qt::Key_S:
            return kOptionS;
        case Qt::Key_O:
            return kOptionO;
        case Qt::Key_R:
            return kOptionR;
        default:
            return std::nullopt;
    }
}

bool isFileMenuKey(int key) {
    return key == Qt::Key_S || key == Qt::Key_O || key == Qt::Key_Q || key == Qt::Key_E;
}

std::optional<char32_t> keyCharacter(const QKeyEvent& event) {
    const int key = event.key();
    const Qt::KeyboardModifiers mods = event.modifiers();
    switch (key) {
        case Qt::Key_Up:
            return kUpArrow;
        case Qt::Key_Down:
            return kDownArrow;
        case Qt::Key_Left:
            return kLeftArrow;
        case Qt::Key_Right:
            return kRightArrow;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            return kDeleteKey;
        default:
            break;
    }
    const bool alt = mods & Qt::AltModifier;
    const bool control = mods & Qt::ControlModifier;
    const bool meta = mods & Qt::MetaModifier;
    if (alt && !control && !meta && !(mods & Qt::ShiftModifier))
        if (auto option = optionCharacter(key)) return option;
    // Control with a letter gives its control character (Control-R is U+0012), except
    // the File menu's keys: Control-S must never turn into the MIDI export key.
    if (control && !alt && key >= Qt::Key_A && key <= Qt::Key_Z) {
        if (isFileMenuKey(key)) return std::nullopt;
        return static_cast<char32_t>(key - Qt::Key_A + 1);
    }
    // Linux desktops keep Control-S for saving; Meta-S is the MIDI export key.
    if (meta && !control && !alt && key == Qt::Key_S) return kControlS;

    const QList<uint> text = event.text().toUcs4();
    if (text.isEmpty() || text.front() == 0) return std::nullopt;
    return static_cast<char32_t>(text.front());
}

}  // namespace

std::optional<TypedKey> translateKey(const QKeyEvent& event) {
    const std::optional<char32_t> character = keyCharacter(event);
    if (!character) return std::nullopt;
    return TypedKey{*character, modifierFlags(event.modifiers())};
}

}  // namespace pattaplex
