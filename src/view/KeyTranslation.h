#pragma once
// Turns a Qt key event into the character and modifier flags the grid's key handler
// works on: Alt acts as Option, the arrows and Delete give their private codes.

#include <QKeyEvent>
#include <cstdint>
#include <optional>

namespace pattaplex {

struct TypedKey {
    char32_t character = 0;
    uint32_t modifiers = 0;  // kControlKey, kOptionKey, kCommandKey

    friend bool operator==(const TypedKey&, const TypedKey&) = default;
};

// The key's character and modifiers, or nothing for a press that gives no character
// (a dead key, a bare modifier).
std::optional<TypedKey> translateKey(const QKeyEvent& event);

}  // namespace pattaplex
