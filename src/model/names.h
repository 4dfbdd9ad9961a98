#pragma once
// Name tables: note names, drum names and the kits the program names.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pattaplex {

constexpr int kLowestNamedNote = 35;  // entry i of a name table names note 35 + i
constexpr int kNamedNotes = 50;

// Comma-separated note names (flats) and General MIDI drum names for notes 35..84.
extern const char* const roots;
extern const char* const DRnames;

// Splits a comma-separated table into its entries.
std::vector<std::string> splitNames(std::string_view table);

struct KitName {
    int kit;
    const char* name;
};

// The instruments and drum kits the program names, melodic ones first.
constexpr std::array<KitName, 17> kKitNames{{
    {1, "Piano"},
    {5, "Rhodes"},
    {11, "Music Box"},
    {13, "Marimba"},
    {20, "Organ"},
    {35, "Electric Bass"},
    {48, "Timpani"},
    {54, "Doot"},
    {109, "Kalimba"},
    {115, "Steel Drum"},
    {118, "Melodic Drum"},
    {16401, "Power"},
    {16409, "Electronic"},
    {16410, "Analog"},
    {16417, "Jazz"},
    {16433, "Orchestra"},
    {16441, "SFX"},
}};

// The name of a kit of the table above, or nothing for any other number.
std::optional<std::string> kitName(int kit);

// A note's entry in the name tables and the sound selectors (note - 35), computed
// without overflow for any note a file can bring.
int noteIndex(int32_t note);

// The name of a note in the table fitting the kit (drum names above 1000), or nothing
// for a note outside 35..84.
std::optional<std::string> soundName(int kit, int note);

}  // namespace pattaplex
