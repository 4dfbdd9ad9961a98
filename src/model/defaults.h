#pragma once
// Start-up values, the factory sound settings and the previous settings.

#include "GrooveState.h"

namespace pattaplex {

constexpr int32_t kDefaultKit = 16417;  // the "Jazz" drum kit
constexpr std::array<int32_t, kRowCount> kDefaultNotes{51, 37, 44, 68, 67, 78, 79, 47, 63, 36};
constexpr std::array<int32_t, kRowCount> kDefaultVolumes{90, 90, 120, 60, 90, 90, 90, 90, 90, 90};

// Steps 1 to 4 of start-up: the start-up values and the default rows. The caller then
// prints the banner and runs the defaults action.
void applyStartupValues(GrooveState& s);

// The state side of the defaults action: remembers the current sounds as the previous
// ones and loads the factory sounds and kit. The caller reopens the note output, then
// calls initVOL and setVOL and refreshes the panel.
void loadDefaultSounds(GrooveState& s);

// False when there are no usable previous settings: no kit before this one (as right
// after start-up), or row 1's previous note or volume is not positive. The
// previous-settings action then keeps the kit, notes and volumes as they are.
bool previousSoundsRecorded(const GrooveState& s);

// The state side of the previous-settings action: every row and the kit take their
// previous values, which are kept.
void restorePreviousSounds(GrooveState& s);

// Velocities of all rows (initVOL) or of the selected row (setVOL) from the row volumes.
void initVOL(GrooveState& s);
void setVOL(GrooveState& s);

}  // namespace pattaplex
