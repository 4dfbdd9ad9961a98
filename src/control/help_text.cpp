#include "GrooveController.h"

namespace pattaplex {

// Shown by the help key; the keys it names are the ones the key handler knows.
const char* const helptext =
    "\n\n"
    "Click within a BOX to set a drum note; click a filled BOX again to erase it; tap "
    "Backspace or Delete to clear all boxes; Tap U to undo the clear\n"
    "\nTap the SPACEBAR to Play/Stop example.\n\nTap , or . to change Tempo\n\n"
    "Tap R to Randomly fill BOXES with slider Volume.\nAlt+R = Random Volume only.\n"
    "Ctrl+R = Both Random Box Fill & Volume.\nTap the D key for Random Drums only.\n"
    "Tap the A key for ALL random settings.\nTap the I key to toggle Infinite Randomise.\n\n"
    "Tap V to toggle Display Volume.\n\n"
    "After selecting a drum with a number key or by clicking a drum button, you can increment or "
    "decrement that drum selection with the Left and Right arrows.\n"
    "\n"
    "Or, doing the same, you can increment or decrement the volume of that drum selection with the "
    "Up and Down arrows.\n"
    "\n"
    "To toggle a drum OFF and On with its previous volume, tap the drum number key while holding "
    "down the Alt key.\n"
    "\nClick the Set Vol button to set any changes in individual volumes.\n\n"
    "Set the number of bars with the [ and ] keys.\n\n"
    "Ctrl+S = Save groove, Alt+S = Save drum set;\n"
    "Ctrl+O = Open groove, Alt+O = Open drum set;\nCtrl+E or Meta+S = Save MIDI.";

}  // namespace pattaplex
