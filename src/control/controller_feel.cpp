// The groove's feel: a step's velocity by the mouse wheel, the step editor's velocity,
// repeats and chance, and the groove's swing and humanise.

#include <algorithm>
#include <tuple>

#include "edit_scope.h"
#include "grid_geometry.h"

namespace pattaplex {

namespace {

constexpr int kWheelStep = 8;
constexpr int kFineWheelStep = 1;

// The cell under a point when it is one of the steps the grid shows.
std::optional<grid::Cell> shownCell(const GrooveState& s, float x, float y) {
    return grid::cellAt(x, y, s.left, s.LNG);
}

}  // namespace

void GrooveController::wheelStep(float x, float y, int notches, bool fine) {
    const auto at = shownCell(s_, x, y);
    if (!at || notches == 0) return;
    DrumRow& row = s_.row(at->row);
    const auto step = static_cast<size_t>(at->column);
    if (row.BUF[step] == 0) return;  // only an active step has a velocity to hear
    const EditScope edit(*this, "Velocity");
    const int64_t change = int64_t{notches} * (fine ? kFineWheelStep : kWheelStep);
    row.VOL[step] = static_cast<int32_t>(std::clamp<int64_t>(row.VOL[step] + change, 1, 127));
    stepFeelChanged(at->row, row.VOL[step]);
}

void GrooveController::openStepEditor(float x, float y) {
    painter_.end();
    const auto at = shownCell(s_, x, y);
    if (!at) return;
    const DrumRow& row = s_.row(at->row);
    const auto step = static_cast<size_t>(at->column);
    out_.showStepEditor(at->row, at->column, std::clamp(row.VOL[step], 1, 127), row.REP[step],
                        row.CHANCE[step]);
}

void GrooveController::setStepFeel(int rowNumber, int step, int velocity, int repeats, int chance) {
    if (!s_.isRowNumber(rowNumber) || step < 0 || step >= kBufferSize) return;
    const EditScope edit(*this, "Step");
    DrumRow& row = s_.row(rowNumber);
    const auto i = static_cast<size_t>(step);
    const auto old = std::tie(row.VOL[i], row.REP[i], row.CHANCE[i]);
    const auto wanted =
        std::make_tuple(std::clamp(velocity, 1, 127), std::clamp(repeats, 1, kMostRepeats),
                        isChance(chance) ? chance : row.CHANCE[i]);
    if (old == wanted) return;
    std::tie(row.VOL[i], row.REP[i], row.CHANCE[i]) = wanted;
    stepFeelChanged(rowNumber, row.VOL[i]);
}

// After a step's feel changed: its row is selected and heard at the step's velocity.
void GrooveController::stepFeelChanged(int rowNumber, int velocity) {
    s_.DEMO = rowNumber;
    s_.dataTOG = 1;
    sound_.audition(s_.row(rowNumber).DR, velocity);
    out_.requestRedraw();
}

void GrooveController::setSwing(int percent) {
    const EditScope edit(*this, "Swing");
    const int32_t swing = std::clamp(percent, kStraightSwing, kMostSwing);
    if (swing != s_.SWING) s_.dataTOG = 1;
    s_.SWING = swing;
    showFeel();
}

void GrooveController::setHumanise(int ms, int velocity) {
    const EditScope edit(*this, "Humanise");
    const auto wanted = std::make_tuple(std::clamp(ms, 0, kMostHumaniseMs),
                                        std::clamp(velocity, 0, kMostHumaniseVelocity));
    if (std::tie(s_.HUMMS, s_.HUMVEL) != wanted) s_.dataTOG = 1;
    std::tie(s_.HUMMS, s_.HUMVEL) = wanted;
    showFeel();
}

void GrooveController::showFeel() {
    out_.showFeel(s_.SWING, swingApplies(s_.SUB), s_.HUMMS, s_.HUMVEL);
}

}  // namespace pattaplex
