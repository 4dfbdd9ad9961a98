#include "edit_history.h"

#include <tuple>

namespace pattaplex {

namespace {

// The settings beside the rows that make up the groove; undo puts them back.
template <typename State>
auto grooveSettings(State& s) {
    return std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO, s.KIT, s.undoTOG, s.SWING, s.HUMMS, s.HUMVEL);
}

}  // namespace

bool sameGroove(const GrooveState& a, const GrooveState& b) {
    for (int n = 1; n <= kRowCount; ++n) {
        const DrumRow& x = a.row(n);
        const DrumRow& y = b.row(n);
        if (x.DR != y.DR || x.DV != y.DV || x.BUF != y.BUF || x.VOL != y.VOL || x.undo != y.undo ||
            x.REP != y.REP || x.CHANCE != y.CHANCE)
            return false;
    }
    return grooveSettings(a) == grooveSettings(b);
}

void restoreGroove(GrooveState& s, const GrooveState& from) {
    // The previous sounds and kit come back with the groove, though alone they are no edit.
    s.rows = from.rows;
    grooveSettings(s) = grooveSettings(from);
    s.oldKIT = from.oldKIT;
}

void EditHistory::record(const GrooveState& before, const std::string& name,
                         const std::string& mergeKey) {
    redo_.clear();
    if (!mergeKey.empty() && mergeKey == mergeKey_ && !undo_.empty()) return;
    mergeKey_ = mergeKey;
    undo_.push_back({before, name});
    while (undo_.size() > depth_) undo_.pop_front();
}

void EditHistory::renameLatest(const std::string& name) {
    if (!undo_.empty()) undo_.back().name = name;
}

bool EditHistory::undo(GrooveState& s) {
    return step(undo_, redo_, s);
}

bool EditHistory::redo(GrooveState& s) {
    return step(redo_, undo_, s);
}

bool EditHistory::step(std::deque<Entry>& from, std::deque<Entry>& to, GrooveState& s) {
    if (from.empty()) return false;
    Entry entry = std::move(from.back());
    from.pop_back();
    to.push_back({s, entry.name});
    restoreGroove(s, entry.groove);
    mergeKey_.clear();
    return true;
}

void EditHistory::clear() {
    undo_.clear();
    redo_.clear();
    mergeKey_.clear();
}

}  // namespace pattaplex
