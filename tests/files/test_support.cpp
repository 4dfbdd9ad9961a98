#include "test_support.h"

#include <glib.h>
#include <smf.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace pattaplex::test {

ScratchFolder::ScratchFolder() {
    std::string templ =
        (std::filesystem::temp_directory_path() / "pattaplex-files-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("cannot make a scratch folder");
    root_ = templ;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::vector<std::string> ScratchFolder::entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(root_))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string stateText(const GrooveState& s) {
    std::ostringstream t;
    for (const DrumRow& r : s.rows) {
        t << r.DR << ' ' << r.DV << ' ' << r.oldD << ' ' << r.oldV << " |";
        for (int32_t v : r.BUF) t << ' ' << v;
        t << " |";
        for (int32_t v : r.VOL) t << ' ' << v;
        t << " |";
        for (int32_t v : r.undo) t << ' ' << v;
        t << '\n';
    }
    t << s.BARS << ' ' << s.BEATS << ' ' << s.SUB << ' ' << s.LNG << ' ' << s.left << ' ' << s.TEMPO
      << ' ' << s.KIT << ' ' << s.oldKIT << ' ' << s.DEMO << ' ' << s.DRC << ' ' << s.DRV << ' '
      << s.LOOP << ' ' << s.key << ' ' << s.ptX << ' ' << s.ptY << ' ' << s.G << ' ' << s.dataTOG
      << ' ' << s.randTOG << ' ' << s.INF << ' ' << s.undoTOG << ' ' << s.colTOG << ' ' << s.velTOG
      << ' ' << s.GRID << ' ' << s.PRE << ' ' << s.saveSET << ' ' << s.exportMIDI << ' '
      << s.lastFile;
    return t.str();
}

GrooveState patternedState(int32_t sub, int32_t beats, int32_t bars) {
    GrooveState s;
    s.SUB = sub;
    s.BEATS = beats;
    s.BARS = bars;
    s.TEMPO = 133;
    s.KIT = 16409;
    for (int n = 1; n <= kRowCount; ++n) {
        DrumRow& r = s.row(n);
        r.DR = 34 + n;
        r.DV = 10 * n;
        r.oldD = 50 + n;
        r.oldV = 60 + n;
        for (int i = 0; i < kBufferSize; ++i) {
            r.BUF[i] = (i + n) % 3 == 0 ? 0 : 1000 * n + i;
            r.VOL[i] = (i * 7 + n) % 128;
            r.undo[i] = i % 2;
        }
    }
    return s;
}

void PrintTo(const MidiEvent& e, std::ostream* os) {
    *os << e.tick << ":" << std::hex;
    for (uint8_t b : e.bytes) *os << ' ' << int{b};
    *os << std::dec;
}

MidiFile readMidi(const std::string& path) {
    MidiFile file;
    std::unique_ptr<smf_t, void (*)(smf_t*)> smf(smf_load(path.c_str()), smf_delete);
    if (!smf) return file;
    file.format = smf->format;
    file.ticksPerBeat = smf->ppqn;
    for (int t = 1; t <= smf->number_of_tracks; ++t) {
        smf_track_t* track = smf_get_track_by_number(smf.get(), t);
        auto& events = file.tracks.emplace_back();
        for (int e = 1; e <= track->number_of_events; ++e) {
            const smf_event_t* event = smf_track_get_event_by_number(track, e);
            events.push_back(
                {event->time_pulses,
                 {event->midi_buffer, event->midi_buffer + event->midi_buffer_length}});
        }
    }
    return file;
}

}  // namespace pattaplex::test
