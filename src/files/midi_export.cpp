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
#include "hit_timing.h"
#include "kit_mapping.h"
#include "names.h"

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

// Step k starts at round(k x 960 / SUB) and lasts until the next step starts, so every
// subdivision keeps the tempo and triplets stay on their exact thirds.
int stepTick(int step, int32_t sub) {
    return static_cast<int>(std::lround(double(step) * kTicksPerBeat / sub));
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

// The hits of each step that sounds when played (set, with a velocity above 0, in a row
// that is not muted) as they sound at the first pass with `seed`: swung, repeated,
// humanised, left out when the step's chance fails. Each note lasts until the next hit
// would come without humanise; a hit humanised past the groove's end is kept inside it,
// as the file is one loop. At one instant the ends come first, so that a note of the
// same key starting then is not cut.
std::vector<NoteEvent> noteEvents(const GrooveState& s, int steps, uint64_t seed) {
    HitTiming timing;
    timing.unitsPerMinute = int64_t{kTicksPerBeat} * std::max(s.TEMPO, 1);
    timing.tempo = std::max(s.TEMPO, 1);
    timing.sub = s.SUB;
    timing.swing = s.SWING;
    timing.humaniseMs = s.HUMMS;
    timing.humaniseVelocity = s.HUMVEL;
    timing.seed = seed;
    const int end = stepTick(steps, s.SUB);
    std::vector<NoteEvent> events;
    for (int i = 0; i < steps; ++i) {
        const auto step = static_cast<size_t>(i);
        const int start = stepTick(i, s.SUB);
        for (int n = 1; n <= kRowCount; ++n) {
            const DrumRow& row = s.row(n);
            if (row.BUF[step] == 0 || row.DV == 0 || row.VOL[step] <= 0) continue;
            const int key = dataByte(row.DR & 0xFF);
            // A velocity byte of 0 would make the start an end, cutting another row's note.
            const int velocity = std::max(1, dataByte(row.VOL[step] & 0xFF));
            const StepHits hits =
                stepHits(timing, 0, n, i, {velocity, row.REP[step], row.CHANCE[step]});
            for (int h = 0; h < hits.count; ++h) {
                const Hit& hit = hits.hits[static_cast<size_t>(h)];
                const int at = std::min(start + static_cast<int>(hit.offset), end - 1);
                const int until = std::min(at + static_cast<int>(hits.length), end);
                events.push_back({at, true, key, hit.velocity});
                events.push_back({until, false, key, kReleaseVelocity});
            }
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
    // BEATS quarter notes to the bar, with the metronome on every beat.
    unsigned char meter[] = {0xFF, 0x58, 0x04, static_cast<unsigned char>(s.BEATS), 2, 24, 8};
    if (!addEvent(tempoTrack, smf_event_new_from_pointer(meter, sizeof meter), 0)) return false;

    *notes = smf_track_new();
    if (!*notes) return false;
    smf_add_track(smf, *notes);
    if (smf_set_format(smf, 1) != 0) return false;
    const std::string name = s.isDrumKit() ? "Drums" : kitName(s.KIT).value_or("Instrument");
    if (!addEvent(*notes, smf_event_new_textual(3, name.c_str()), 0)) return false;
    return addEvent(*notes, smf_event_new_from_bytes(0xC0 | channel, program(s), -1), 0);
}

// The library tells why it could not write a file only in its log message, e.g.
// "fwrite(3) failed: No space left on device"; the reason is kept from there.
class SmfLogCapture {
  public:
    SmfLogCapture()
        : id_(g_log_set_handler("libsmf", static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK), record,
                                this)) {}
    ~SmfLogCapture() { g_log_remove_handler("libsmf", id_); }
    SmfLogCapture(const SmfLogCapture&) = delete;
    SmfLogCapture& operator=(const SmfLogCapture&) = delete;
    std::string reason() const {
        const size_t colon = last_.rfind(": ");
        return colon == std::string::npos ? "the file could not be written"
                                          : last_.substr(colon + 2);
    }

  private:
    static void record(const gchar*, GLogLevelFlags, const gchar* message, gpointer self) {
        static_cast<SmfLogCapture*>(self)->last_ = message ? message : "";
    }
    guint id_;
    std::string last_;
};

}  // namespace

Status exportMidi(const std::string& path, const GrooveState& s, uint64_t seed) {
    // A grid the step buffers cannot hold is not exported rather than read past them.
    const std::optional<int> steps = fileStepCount(s.SUB, s.BEATS, s.BARS);
    if (!steps) return failure(kCreateFailed);

    const std::unique_ptr<smf_t, SmfDelete> smf(smf_new());
    const int channel = kitChannel(s.KIT);
    smf_track_t* notes = nullptr;
    if (!smf || !startTracks(smf.get(), s, channel, &notes)) return failure(kCreateFailed);

    for (const NoteEvent& e : noteEvents(s, *steps, seed)) {
        const int status = (e.on ? 0x90 : 0x80) | channel;
        if (!addEvent(notes, smf_event_new_from_bytes(status, e.key, e.velocity), e.tick))
            return failure(kNoteFailed);
    }
    // The last step ends exactly where the groove's bars and beats do.
    if (smf_track_add_eot_pulses(notes, stepTick(*steps, s.SUB)) != 0) return failure(kEndFailed);

    const Status saved = replaceFileWith(path, [&](int, const std::string& tempPath) -> Status {
        const SmfLogCapture log;
        if (smf_save(smf.get(), tempPath.c_str()) == 0) return {};
        return failure(saveError(path, log.reason()));
    });
    if (!saved) return failure(std::string(kSaveFailed) + " " + saved.error());
    return {};
}

}  // namespace pattaplex
