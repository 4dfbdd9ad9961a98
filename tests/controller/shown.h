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

inline std::map<std::string, std::string> shown(const GrooveState& state, const FakeOutlets& o,
                                                const FakeSound& snd) {
    GrooveState s = state;
    std::map<std::string, std::string> m;
    for (const auto& [name, field] : fields(s)) m[name] = std::to_string(*field);
    auto last = [](const auto& list, auto text) { return list.empty() ? "-" : text(list.back()); };
    auto second = [](const auto& p) { return p.second; };
    int steps = 0;
    for (int n = 1; n <= kRowCount; ++n)
        for (int k = 0; k < 16; ++k) steps += s.row(n).BUF[k] != 0;
    m.insert({{"lastFile", s.lastFile},
              {"undoTitle", o.undoTitle},
              {"playTitle", o.playTitle},
              {"kitTitle", o.kitTitle},
              {"count", o.count},
              {"infText", o.infText},
              {"kitField", o.kitField},
              {"fileField", o.fileField},
              {"drumSetField", o.drumSetField},
              {"tempoSlider", std::to_string(o.tempoSliderValue)},
              {"tempoField", std::to_string(o.tempoFieldValue)},
              {"saved", last(o.saveSheets, second)},
              {"opened", last(o.openSheets, second)},
              {"sheet", last(o.sheets, [](const auto& p) { return p.first; })},
              {"alert", last(o.alerts, [](const Alert& a) { return a.title + "/" + a.first; })},
              {"running", std::to_string(snd.running)},
              {"auditions", std::to_string(snd.auditions.size())},
              {"audition", last(snd.auditions,
                                [](const auto& a) {
                                    return std::to_string(a.first) + " " + std::to_string(a.second);
                                })},
              {"kit", last(snd.opened, [](int k) { return std::to_string(k); })},
              {"closes", std::to_string(snd.closes)},
              {"anySteps", std::to_string(steps > 0)}});
    if (!o.sheets.empty() && o.sheets.back().second == helptext) m["sheetText"] = "helptext";
    for (int n = 1; n <= kRowCount; ++n) {
        const std::string r = std::to_string(n);
        auto text = [](const auto& map, int key) {
            return map.count(key) ? std::string(map.at(key)) : std::string("-");
        };
        m["name" + r] = text(o.soundNames, n);
        m["vol" + r] = text(o.volumeFields, n);
        m["sel" + r] = o.selectors.count(n) ? std::to_string(o.selectors.at(n)) : "-";
        m["slider" + r] = o.sliders.count(n) ? std::to_string(o.sliders.at(n)) : "-";
        // The panel shows row n's own sound: its selector and, where it has one, its name.
        const auto name = soundName(s.KIT, s.row(n).DR);
        m["shows" + r] = std::to_string(m["sel" + r] == std::to_string(s.row(n).DR - 35) &&
                                        (!name || *name == m["name" + r]));
        const auto& vol = s.row(n).VOL;
        const bool same =
            std::all_of(vol.begin(), vol.begin() + 64, [&](int v) { return v == vol[0]; });
        m["VOL" + r] = same ? std::to_string(vol[0]) : "mixed";
    }
    return m;
}

inline void expectShown(const std::map<std::string, std::string>& seen,
                        const std::string& expected) {
    for (const auto& [name, value] : pairs(expected)) {
        if (!seen.count(name))
            ADD_FAILURE() << "nothing is shown as " << name;
        else
            EXPECT_EQ(seen.at(name), value) << name;
    }
}

}  // namespace pattaplex::testing
