#pragma once
// Helpers shared by the file tests: a scratch folder, whole-file reads and writes, a
// groove with a distinct value in every field, and a libsmf reading of a MIDI file.

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "GrooveState.h"

namespace pattaplex::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string path(const std::string& name) const { return (root_ / name).string(); }
    std::vector<std::string> entries() const;  // sorted names

  private:
    std::filesystem::path root_;
};

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

// Steps set across all 80 entries; no two notes, volumes or velocities alike.
GrooveState patternedState(int32_t sub, int32_t beats, int32_t bars);

using MidiEvent = std::pair<int, std::vector<int>>;  // tick and bytes
struct MidiFile {
    int format = -1;  // -1 when libsmf cannot read the file
    int ticksPerBeat = 0;
    std::vector<std::vector<MidiEvent>> tracks;
};
MidiFile readMidi(const std::string& path);

}  // namespace pattaplex::test
