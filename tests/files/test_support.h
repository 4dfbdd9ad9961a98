#pragma once
// Helpers shared by the file tests: a scratch folder, whole-file reads and writes, a
// text of every field of a groove state, and a libsmf reading of a MIDI file.

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "GrooveState.h"

namespace pattaplex::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const { return (root_ / name).string(); }
    // Names of the entries in the folder, sorted.
    std::vector<std::string> entries() const;

  private:
    std::filesystem::path root_;
};

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

// Every field of the state, for comparing states as a whole.
std::string stateText(const GrooveState& s);

// A groove with a distinct value in every field, steps set across all 80 entries.
GrooveState patternedState(int32_t sub, int32_t beats, int32_t bars);

struct MidiEvent {
    int tick;
    std::vector<uint8_t> bytes;
    bool operator==(const MidiEvent&) const = default;
};
void PrintTo(const MidiEvent& e, std::ostream* os);  // for test failure messages
struct MidiFile {
    int format = -1;
    int ticksPerBeat = 0;
    std::vector<std::vector<MidiEvent>> tracks;
};
// The file as libsmf reads it; format -1 when it cannot be read.
MidiFile readMidi(const std::string& path);

}  // namespace pattaplex::test
