// Exports grooves with arbitrary field values: the export must never read outside the
// step buffers, and a file it writes must carry one note per active step.

#include <fuzzer/FuzzedDataProvider.h>
#include <glib.h>
#include <smf.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "midi_export.h"

using namespace pattaplex;

namespace {

const std::string& outputPath() {
    static const std::string path = [] {
        std::string folder =
            (std::filesystem::temp_directory_path() / "pattaplex-fuzz-XXXXXX").string();
        if (!mkdtemp(folder.data())) std::abort();
        return folder + "/out.mid";
    }();
    return path;
}

int32_t gridValue(FuzzedDataProvider& in) {
    // Mostly small numbers, now and then anything at all.
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 12)
                            : in.ConsumeIntegral<int32_t>();
}

int countNoteStarts(const std::string& path) {
    smf_t* smf = smf_load(path.c_str());
    if (!smf) std::abort();
    int starts = 0;
    for (smf_event_t* e = smf_get_next_event(smf); e; e = smf_get_next_event(smf))
        if (e->midi_buffer_length == 3 && (e->midi_buffer[0] & 0xF0) == 0x90) ++starts;
    smf_delete(smf);
    return starts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    GrooveState s;
    s.SUB = gridValue(in);
    s.BEATS = gridValue(in);
    s.BARS = gridValue(in);
    s.TEMPO = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(1, 400)
                               : in.ConsumeIntegral<int32_t>();
    s.KIT = in.ConsumeIntegral<int32_t>();
    for (DrumRow& row : s.rows) {
        row.DR = in.ConsumeIntegral<int32_t>();
        for (size_t i = 0; i < row.BUF.size() && in.remaining_bytes() > 0; ++i) {
            row.BUF[i] = in.ConsumeIntegralInRange<int32_t>(0, 2) == 0 ? 1 : 0;
            row.VOL[i] = in.ConsumeIntegral<int32_t>();
        }
    }

    std::filesystem::remove(outputPath());
    if (!exportMidi(outputPath(), s)) {
        if (std::filesystem::exists(outputPath())) std::abort();  // no file after a failure
        return 0;
    }
    const int64_t steps = int64_t{s.SUB} * s.BEATS * s.BARS;  // the export accepted it
    int active = 0;
    for (const DrumRow& row : s.rows)
        for (int64_t i = 0; i < steps; ++i) active += row.BUF[static_cast<size_t>(i)] != 0;
    if (countNoteStarts(outputPath()) != active) std::abort();
    return 0;
}
