#pragma once
// Undo and redo of whole edits: each entry keeps the groove as it was before one edit,
// with the edit's name for the Edit menu ("Undo Tempo").

#include <cstddef>
#include <deque>
#include <string>

#include "GrooveState.h"

namespace pattaplex {

// True when two states hold the same groove: steps, velocities, feel, sounds, volumes,
// grid size, tempo, kit and the clear/undo copy. Playback, selection and display flags are
// not part of it.
bool sameGroove(const GrooveState& a, const GrooveState& b);

// Puts the groove of `from` into `s`, leaving playback, selection and display alone.
void restoreGroove(GrooveState& s, const GrooveState& from);

class EditHistory {
  public:
    static constexpr size_t kDefaultDepth = 200;
    explicit EditHistory(size_t depth = kDefaultDepth) : depth_(depth > 0 ? depth : 1) {}

    // Records an edit that left the groove changed from `before`. An edit with a
    // non-empty `mergeKey` equal to that of the edit just recorded joins it (a slider
    // being dragged is one edit). Redo is forgotten.
    void record(const GrooveState& before, const std::string& name,
                const std::string& mergeKey = {});
    // Gives the latest edit a new name (a press that became a drag).
    void renameLatest(const std::string& name);
    // The next edit stands on its own even when its merge key matches.
    void endMerge() { mergeKey_.clear(); }

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // Names of the edit that undo or redo would take back; empty when there is none.
    std::string undoName() const { return undo_.empty() ? std::string() : undo_.back().name; }
    std::string redoName() const { return redo_.empty() ? std::string() : redo_.back().name; }

    // Steps `s` back or forward by one edit; false when there is nothing to do.
    bool undo(GrooveState& s);
    bool redo(GrooveState& s);

    void clear();
    size_t undoDepth() const { return undo_.size(); }

  private:
    struct Entry {
        GrooveState groove;
        std::string name;
    };
    // Takes the latest entry of `from` into `s`, keeping the present groove on `to`.
    bool step(std::deque<Entry>& from, std::deque<Entry>& to, GrooveState& s);

    size_t depth_;
    std::deque<Entry> undo_;
    std::deque<Entry> redo_;
    std::string mergeKey_;
};

}  // namespace pattaplex
