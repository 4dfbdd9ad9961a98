#pragma once
// Where a KIT number lives in a General MIDI soundfont.

#include <cstdint>
#include <optional>
#include <string>

namespace pattaplex {

constexpr int kMelodicChannel = 0;
constexpr int kDrumChannel = 9;
constexpr int kDrumBank = 128;

struct KitPreset {
    int bank = 0;
    int program = 0;  // 0..127
    int channel = 0;
};

// The program a KIT number names, before any range check: KIT - 1 for an instrument,
// KIT - 16385 for a drum kit. Computed without overflow for any number a file brings.
int64_t kitProgram(int kit);

// The channel a KIT plays on: the drum channel for a kit above 1000, else the melodic one.
int kitChannel(int kit);

// Up to 1000: melodic program KIT - 1 on bank 0, channel 0. Above 1000: drum kit program
// KIT - 16385 on the drum bank and channel. Nothing for 0, negatives and programs outside
// 0..127. Whether the soundfont holds the preset is checked when the output opens.
std::optional<KitPreset> kitPreset(int kit);

// Why a KIT cannot be heard when no loaded soundfont holds its preset.
std::string missingKitReason(int kit);

}  // namespace pattaplex
