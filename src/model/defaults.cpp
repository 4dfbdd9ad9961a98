#include "defaults.h"

namespace pattaplex {

namespace {

void fillVelocities(DrumRow& row) {
    const int32_t volume = row.DV;
    for (int s = 0; s < kWorkedSteps; ++s) row.VOL[s] = volume;
}

void loadDefaultRows(GrooveState& s) {
    for (int i = 0; i < kRowCount; ++i) {
        s.rows[i].oldD = s.rows[i].DR;
        s.rows[i].DR = kDefaultNotes[i];
    }
    for (int i = 0; i < kRowCount; ++i) {
        s.rows[i].rememberVolume(s.rows[i].DV);
        s.rows[i].DV = kDefaultVolumes[i];
    }
    s.DRC = 51;
}

}  // namespace

void applyStartupValues(GrooveState& s) {
    s.TEMPO = 160;
    s.SUB = 2;
    s.PRE = 4;
    s.dataTOG = 0;
    s.GRID = 1;
    s.DEMO = 1;
    s.BARS = 2;
    s.BEATS = 4;
    s.undoTOG = 0;
    s.colTOG = 0;
    s.randTOG = 0;
    loadDefaultRows(s);
}

void loadDefaultSounds(GrooveState& s) {
    loadDefaultRows(s);
    s.oldKIT = s.KIT;
    s.KIT = kDefaultKit;
}

bool previousSoundsRecorded(const GrooveState& s) {
    return s.row(1).oldV > 0 && s.row(1).oldD > 0 && s.oldKIT > 0;
}

void restorePreviousSounds(GrooveState& s) {
    for (DrumRow& row : s.rows) {
        row.DR = row.oldD;
        row.DV = row.oldV;
    }
    s.KIT = s.oldKIT;
}

void initVOL(GrooveState& s) {
    for (DrumRow& row : s.rows) fillVelocities(row);
}

void setVOL(GrooveState& s) {
    if (s.isRowNumber(s.DEMO)) fillVelocities(s.row(s.DEMO));
}
}  // namespace pattaplex
