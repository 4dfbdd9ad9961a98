#pragma once
// The groove, the window and the sound by name, so that a test sets up and checks a case
// as text: "DEMO=4, DR4=84" sets, "DR4=35, name4=BassDrum2" is checked.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fakes.h"
#include "names.h"

namespace pattaplex::testing {

// "a=1, b=two words" as its pairs.
inline std::vector<std::pair<std::string, std::string>> pairs(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> out;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(", ", start);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(start, end - start);
        const size_t eq = item.find('=');
        out.emplace_back(item.substr(0, eq), eq == std::string::npos ? "" : item.substr(eq + 1));
        start = end + 2;
    }
    return out;
}

// The groove's integers by name; rows by number ("DR4"), steps 0 to 4 as "BUF2.4".
inline std::map<std::string, int32_t*> fields(GrooveState& s) {
    std::map<std::string, int32_t*> f = {
        {"key", &s.key},         {"DEMO", &s.DEMO},       {"INF", &s.INF},
        {"KIT", &s.KIT},         {"oldKIT", &s.oldKIT},   {"TEMPO", &s.TEMPO},
        {"BARS", &s.BARS},       {"BEATS", &s.BEATS},     {"SUB", &s.SUB},
        {"LOOP", &s.LOOP},       {"randTOG", &s.randTOG}, {"undoTOG", &s.undoTOG},
        {"dataTOG", &s.dataTOG}, {"saveSET", &s.saveSET}, {"exportMIDI", &s.exportMIDI},
        {"colTOG", &s.colTOG},   {"velTOG", &s.velTOG}};
    for (int n = 1; n <= kRowCount; ++n) {
        const std::string r = std::to_string(n);
        DrumRow& row = s.row(n);
        f["DR" + r] = &row.DR, f["DV" + r] = &row.DV, f["oldV" + r] = &row.oldV;
        f["oldD" + r] = &row.oldD;
        for (int k = 0; k < 5; ++k) {
            const std::string at = r + "." + std::to_string(k);
            f["BUF" + at] = &row.BUF[k], f["VOL" + at] = &row.VOL[k], f["undo" + at] = &row.undo[k];
        }
    }
    return f;
}

inline void set(GrooveState& s, const std::string& assignments) {
    auto f = fields(s);
    for (const auto& [name, value] : pairs(assignments)) *f.at(name) = std::stoi(value);
}

// What the groove, the window and the sound show, by name; "-" for what was never shown.
inline std::map<std::string, std::string> shown(const GrooveState& state, const FakeOutlets& o,
                                                const FakeSound& snd) {
    GrooveState s = state;
    std::map<std::string, std::string> m = o.shown;
    for (const auto& [name, field] : fields(s)) m[name] = std::to_string(*field);
    m["lastFile"] = s.lastFile;
    m["running"] = std::to_string(snd.running);
    m["closes"] = std::to_string(snd.closes);
    m["auditions"] = std::to_string(snd.auditions.size());
    if (!snd.auditions.empty())
        m["audition"] = std::to_string(snd.auditions.back().first) + " " +
                        std::to_string(snd.auditions.back().second);
    if (!snd.opened.empty()) m["kit"] = std::to_string(snd.opened.back());
    int steps = 0;
    for (int n = 1; n <= kRowCount; ++n) {
        const std::string r = std::to_string(n);
        const DrumRow& row = s.row(n);
        for (int k = 0; k < 16; ++k) steps += row.BUF[k] != 0;
        // The panel shows row n's own sound: its selector and, where it has one, its name.
        const auto name = soundName(s.KIT, row.DR);
        m["shows" + r] = std::to_string(m["sel" + r] == std::to_string(int64_t{row.DR} - 35) &&
                                        (!name || *name == m["name" + r]));
        const bool same = std::all_of(row.VOL.begin(), row.VOL.begin() + kWorkedSteps,
                                      [&](int v) { return v == row.VOL[0]; });
        m["VOL" + r] = same ? std::to_string(row.VOL[0]) : "mixed";
    }
    m["anySteps"] = std::to_string(steps > 0), m["steps"] = std::to_string(steps);
    return m;
}

inline void expectShown(const std::map<std::string, std::string>& seen,
                        const std::string& expected) {
    for (const auto& [name, value] : pairs(expected))
        EXPECT_EQ(seen.count(name) ? seen.at(name) : "-", value) << name;
}

}  // namespace pattaplex::testing
