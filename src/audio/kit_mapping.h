#pragma once
// Where a KIT number lives in a General MIDI soundfont.

#include <optional>

namespace pattaplex {

constexpr int kMelodicChannel = 0;
constexpr int kDrumChannel = 9;
constexpr int kDrumBank = 128;

struct KitPreset {
    int bank = 0;
    int program = 0;  // 0..127
    int channel = 0;
};

// Up to 1000: melodic program KIT - 1 on bank 0, channel 0. Above 1000: drum kit program
// KIT - 16385 on the drum bank and channel. Nothing for 0, negatives and programs outside
// 0..127. Whether the soundfont holds the preset is checked when the output opens.
std::optional<KitPreset> kitPreset(int kit);

}  // namespace pattaplex
