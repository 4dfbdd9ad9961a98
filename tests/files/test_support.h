#pragma once
// Helpers shared by the file tests: a scratch folder, whole-file reads and writes, a
// groove with a distinct value in every field, and a libsmf reading of a MIDI file.

#include <glib.h>
#include <smf.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "GrooveState.h"

namespace pattaplex::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string name = (std::filesystem::temp_directory_path() / "pattaplex-XXXXXX").string();
        root_ = mkdtemp(name.data()) ? name : throw std::runtime_error("no scratch folder");
    }
    ~ScratchFolder() { std::filesystem::remove_all(root_, ignored_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string path(const std::string& name) const { return (root_ / name).string(); }
    std::vector<std::string> entries() const {  // sorted names
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(root_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::filesystem::path root_;
    std::error_code ignored_;
};

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Steps set across all 80 entries; no two notes, volumes or velocities alike.
inline GrooveState patternedState(int32_t sub, int32_t beats, int32_t bars) {
    GrooveState s;
    s.SUB = sub, s.BEATS = beats, s.BARS = bars, s.TEMPO = 133, s.KIT = 16409;
    for (int n = 1; n <= kRowCount; ++n) {
        DrumRow& r = s.row(n);
        r.DR = 34 + n, r.DV = 10 * n, r.oldD = 50 + n, r.oldV = 60 + n;
        for (int i = 0; i < kBufferSize; ++i) {
            r.BUF[i] = (i + n) % 3 == 0 ? 0 : 1000 * n + i;
            r.VOL[i] = (i * 7 + n) % 128;
            r.undo[i] = i % 2;
        }
    }
    return s;
}

using MidiEvent = std::pair<int, std::vector<int>>;  // tick and bytes
struct MidiFile {
    int format = -1;  // -1 when libsmf cannot read the file
    int ticksPerBeat = 0;
    std::vector<std::vector<MidiEvent>> tracks;
};

inline MidiFile readMidi(const std::string& path) {
    MidiFile file;
    std::unique_ptr<smf_t, void (*)(smf_t*)> smf(smf_load(path.c_str()), smf_delete);
    if (!smf) return file;
    file.format = smf->format;
    file.ticksPerBeat = smf->ppqn;
    for (int t = 1; t <= smf->number_of_tracks; ++t) {
        smf_track_t* track = smf_get_track_by_number(smf.get(), t);
        auto& events = file.tracks.emplace_back();
        for (int e = 1; e <= track->number_of_events; ++e) {
            const smf_event_t* ev = smf_track_get_event_by_number(track, e);
            const unsigned char* bytes = ev->midi_buffer;
            events.emplace_back(ev->time_pulses,
                                std::vector<int>(bytes, bytes + ev->midi_buffer_length));
        }
    }
    return file;
}

}  // namespace pattaplex::test
