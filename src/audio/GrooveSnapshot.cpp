#include "GrooveSnapshot.h"

#include <memory>

namespace pattaplex {

GrooveSnapshot GrooveSnapshot::of(const GrooveState& s) {
    GrooveSnapshot g;
    for (size_t i = 0; i < g.rows.size(); ++i) {
        const DrumRow& from = s.rows[i];
        Row& to = g.rows[i];
        to.note = from.DR;
        to.volume = from.DV;
        to.on = from.BUF;
        to.vel = from.VOL;
        to.repeats = from.REP;
        to.chance = from.CHANCE;
    }
    g.steps = stepCount(s);
    g.sub = s.SUB > 0 ? s.SUB : 1;
    g.beats = s.BEATS > 0 ? s.BEATS : 4;
    g.tempo = s.TEMPO;
    g.swing = s.SWING;
    g.humaniseMs = s.HUMMS;
    g.humaniseVelocity = s.HUMVEL;
    return g;
}

SnapshotHandoff::~SnapshotHandoff() {
    delete pending_.exchange(nullptr);
    collect();
}

uint64_t SnapshotHandoff::publish(const GrooveSnapshot& groove, int64_t forPass, bool prepared) {
    collect();
    auto fresh = std::make_unique<GrooveSnapshot>(groove);
    fresh->serial = ++serial_;
    fresh->forPass = forPass;
    fresh->prepared = prepared;
    // One the audio thread never took is ours again.
    delete pending_.exchange(fresh.release(), std::memory_order_acq_rel);
    return serial_;
}

void SnapshotHandoff::collect() {
    GrooveSnapshot* old = nullptr;
    while (retired_.pop(old)) delete old;
}

void SnapshotHandoff::retire(GrooveSnapshot* old) {
    if (old) retired_.push(old);
}

}  // namespace pattaplex
