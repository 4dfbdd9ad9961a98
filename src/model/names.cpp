#include "names.h"

#include <algorithm>
#include <limits>

namespace pattaplex {

const char* const roots =
    "B1,C2,Db2,D2,Eb2,E2,F2,Gb2,G2,Ab2,A2,Bb2,B2,"
    "C3,Db3,D3,Eb3,E3,F3,Gb3,G3,Ab3,A3,Bb3,B3,"
    "C4,Db4,D4,Eb4,E4,F4,Gb4,G4,Ab4,A4,Bb4,B4,"
    "C5,Db5,D5,Eb5,E5,F5,Gb5,G5,Ab5,A5,Bb5,B5,C6";

const char* const DRnames =
    "BassDrum2,BassDrum1,SideStick,AccSnare,Clap,ElecSnare,Lo Floor Tom,Closed Hat,"
    "High Tom,Pedal Hat,Low Tom,Open Hat,Lo/Mid Tom,Hi/Mid Tom,Crash 1,High Tom,Ride 1,"
    "Chinese,Ride Bell,Tambourine,Splash,Cowbell,Crash 2,Vibraslap,Ride 2,Hi Bongo,"
    "Low Bongo,Muted Conga,Open Conga,Low Conga,Hi Timbale,Lo Timbale,Lo Agogo,Hi Agogo,"
    "Shaker 1,Shaker 2,S Whistle,L Whistle,Scraper 1,Scraper 2,Wood Block1,Wood Block2,"
    "Low Wood,Quicka 1,Quicka 2,Choked Tri,Open Tri,Shaker 2,Sleigh Bells,Slide Bells";

std::vector<std::string> splitNames(std::string_view table) {
    std::vector<std::string> names;
    size_t start = 0;
    while (true) {
        size_t comma = table.find(',', start);
        names.emplace_back(table.substr(start, comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return names;
}

std::optional<std::string> kitName(int kit) {
    for (const KitName& k : kKitNames)
        if (k.kit == kit) return std::string(k.name);
    return std::nullopt;
}

int noteIndex(int32_t note) {
    return static_cast<int>(std::clamp<int64_t>(int64_t{note} - kLowestNamedNote,
                                                std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

std::optional<std::string> soundName(int kit, int note) {
    const int i = noteIndex(note);
    if (i < 0 || i >= kNamedNotes) return std::nullopt;
    return splitNames(kit > 1000 ? DRnames : roots)[static_cast<size_t>(i)];
}

}  // namespace pattaplex
