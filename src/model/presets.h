#pragma once
// The twelve built-in grooves.

#include <optional>
#include <string>

#include "GrooveState.h"
#include "randomizer.h"

namespace pattaplex {

constexpr int kPresetCount = 12;

// Name of preset tag 1..12, or nothing for any other tag.
std::optional<std::string> presetName(int tag);

// What a preset asks the window to show besides the refreshed panel.
struct PresetOutcome {
    std::optional<std::string> name;      // for the file-name field; none for an unknown tag
    std::optional<std::string> kitTitle;  // new title of the kit button, if any
};

// Loads preset `tag` into the groove (an unknown tag only clears the grid), marks the
// groove unsaved, refills the selected row's velocities and makes every step one sure
// hit again (swing and humanise stay as they were). The caller then shows the
// tempo, refreshes the panel, reopens the note output and redraws.
PresetOutcome doPreset(GrooveState& s, int tag, const SecondsClock& clock = systemSeconds);

}  // namespace pattaplex
