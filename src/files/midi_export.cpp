#include "midi_export.h"

// libsmf's header needs GLib's declared first.
#include <glib.h>
#include <smf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "atomic_file.h"
#include "groove_files.h"
#include "kit_mapping.h"

namespace pattaplex {

namespace {

constexpr int kTicksPerBeat = 960;
constexpr int kReleaseVelocity = 64;
constexpr int kMaxMicrosPerBeat = 0xFFFFFF;

constexpr const char* kCreateFailed = "There is a problem in creating a MIDI file.";
constexpr const char* kNoteFailed = "Cannot add note to track.";
constexpr const char* kEndFailed = "Cannot add end of track meta event to track.";
constexpr const char* kSaveFailed = "Cannot save SMF data.";

struct SmfDelete {
    void operator()(smf_t* smf) const { smf_delete(smf); }
};

// Step length in ticks: a step of a half, third or quarter beat falls exactly on the
// grid (960 ticks divide by all three), so triplets stay in time however long the
// groove. Any other subdivision starts its steps every half beat and lasts that long.
int stepTicks(int32_t sub) {
    switch (sub) {
        case 3:
            return kTicksPerBeat / 3;
        case 4:
            return kTicksPerBeat / 4;
        default:
            return kTicksPerBeat / 2;
    }
}

int ticks(double beats) {
    return static_cast<int>(std::lround(beats * kTicksPerBeat));
}

int dataByte(int32_t value) {
    return std::clamp(value, 0, 127);
}

struct NoteEvent {
    int tick;
    bool on;
    int key;
    int velocity;
};

// One note per active step, step after step and row after row, in time order. At one
// instant the ends come first, so that a note of the same key starting then is not cut.
std::vector<NoteEvent> noteEvents(const GrooveState& s, int steps) {
    const int length = stepTicks(s.SUB);
    std::vector<NoteEvent> events;
    for (int i = 0; i < steps; ++i) {
        const int start = i * length;
        for (const DrumRow& row : s.rows) {
            if (row.BUF[static_cast<size_t>(i)] == 0) continue;
            const int key = dataByte(row.DR & 0xFF);
            // A velocity of 0 would make the start an end, cutting another row's note.
            const int velocity = std::max(1, dataByte(row.VOL[static_cast<size_t>(i)] & 0xFF));
            events.push_back({start, true, key, velocity});
            events.push_back({start + length, false, key, kReleaseVelocity});
        }
    }
    std::stable_sort(events.begin(), events.end(), [](const NoteEvent& a, const NoteEvent& b) {
        if (a.tick != b.tick) return a.tick < b.tick;
        return !a.on && b.on;
    });
    return events;
}

// The kit's own program, kept within the range a program change can carry.
int program(const GrooveState& s) {
    return static_cast<int>(std::clamp<int64_t>(kitProgram(s.KIT), 0, 127));
}

bool addEvent(smf_track_t* track, smf_event_t* event, int tick) {
    if (!event) return false;
    smf_track_add_event_pulses(track, event, tick);
    return true;
}

// The tempo track and the note track up to its program change; false when any part of
// it cannot be made (the groove's tempo included).
bool startTracks(smf_t* smf, const GrooveState& s, int channel, smf_track_t** notes) {
    if (s.TEMPO < 1) return false;
    const long micros = std::lround(60'000'000.0 / s.TEMPO);
    if (micros < 1 || micros > kMaxMicrosPerBeat) return false;
    if (smf_set_ppqn(smf, kTicksPerBeat) != 0) return false;

    smf_track_t* tempoTrack = smf_track_new();
    if (!tempoTrack) return false;
    smf_add_track(smf, tempoTrack);
    unsigned char tempo[] = {0xFF,
                             0x51,
                             0x03,
                             static_cast<unsigned char>(micros >> 16),
                             static_cast<unsigned char>(micros >> 8),
                             static_cast<unsigned char>(micros)};
    if (!addEvent(tempoTrack, smf_event_new_from_pointer(tempo, sizeof tempo), 0)) return false;

    *notes = smf_track_new();
    if (!*notes) return false;
    smf_add_track(smf, *notes);
    if (smf_set_format(smf, 1) != 0) return false;
    const char* name = s.isDrumKit() ? "Drums" : "Piano";
    if (!addEvent(*notes, smf_event_new_textual(3, name), 0)) return false;
    return addEvent(*notes, smf_event_new_from_bytes(0xC0 | channel, program(s), -1), 0);
}

}  // namespace

std::optional<std::string> exportMidi(const std::string& path, const GrooveState& s) {
    // A grid the step buffers cannot hold is not exported rather than read past them.
    const std::optional<int> steps = fileStepCount(s.SUB, s.BEATS, s.BARS);
    if (!steps) return kCreateFailed;

    const std::unique_ptr<smf_t, SmfDelete> smf(smf_new());
    const int channel = kitChannel(s.KIT);
    smf_track_t* notes = nullptr;
    if (!smf || !startTracks(smf.get(), s, channel, &notes)) return kCreateFailed;

    int lastTick = 0;
    for (const NoteEvent& e : noteEvents(s, *steps)) {
        const int status = (e.on ? 0x90 : 0x80) | channel;
        if (!addEvent(notes, smf_event_new_from_bytes(status, e.key, e.velocity), e.tick))
            return kNoteFailed;
        lastTick = e.tick;
    }
    // The track lasts the groove's bars and beats; only half-beat steps of an unusual
    // subdivision can run past that, and the end then waits for their last note.
    const int endTick = std::max(ticks(static_cast<double>(s.BARS) * s.BEATS), lastTick);
    if (smf_track_add_eot_pulses(notes, endTick) != 0) return kEndFailed;

    return replaceFileWith(path, [&](int, const std::string& tempPath) {
        return smf_save(smf.get(), tempPath.c_str()) == 0 ? std::nullopt
                                                          : std::optional<std::string>(kSaveFailed);
    });
}

}  // namespace pattaplex
