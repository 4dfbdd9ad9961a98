#include "groove_fixtures.h"

#include "defaults.h"

namespace pattaplex {

void PrintTo(const GrooveState& s, std::ostream* os) {
    *os << "grid " << s.BARS << "x" << s.BEATS << "x" << s.SUB << " LNG " << s.LNG << " tempo "
        << s.TEMPO << " kit " << s.KIT << " DEMO " << s.DEMO << " undoTOG " << s.undoTOG
        << " randTOG " << s.randTOG;
    for (int n = 1; n <= kRowCount; ++n) {
        const DrumRow& row = s.row(n);
        *os << "\n  row " << n << ": DR " << row.DR << " DV " << row.DV << " oldD " << row.oldD
            << " oldV " << row.oldV << " on";
        for (int i : test::onSteps(row)) *os << ' ' << i << '=' << row.BUF[i] << '/' << row.VOL[i];
    }
}

}  // namespace pattaplex

namespace pattaplex::test {

void setDefaultsAction(GrooveState& s) {
    loadDefaultSounds(s);
    initVOL(s);
    setVOL(s);
}

void setPrevAction(GrooveState& s) {
    if (previousSoundsNeedDefaults(s)) setDefaultsAction(s);
    restorePreviousSounds(s);
    initVOL(s);
    setVOL(s);
}

GrooveState busyGroove() {
    GrooveState s = freshStartState();
    for (int n = 1; n <= kRowCount; ++n) {
        DrumRow& row = s.row(n);
        row.DR = 40 + n;
        row.DV = 70 + n;
        for (int i = 0; i < kWorkedSteps; ++i) {
            row.BUF[i] = 100 + n;
            row.VOL[i] = 10 * n + i % 7;
        }
    }
    return s;
}

SecondsClock fixedClock(int64_t seconds) {
    return [seconds] { return seconds; };
}

std::vector<int> onSteps(const DrumRow& row) {
    std::vector<int> steps;
    for (int i = 0; i < kBufferSize; ++i)
        if (row.BUF[i] != 0) steps.push_back(i);
    return steps;
}

}  // namespace pattaplex::test
