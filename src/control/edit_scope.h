#pragma once
// One user action as one step of undo: the groove before the action is kept, and when
// the outermost action ends having changed the groove it is recorded under its name.

#include <string>

#include "GrooveController.h"

namespace pattaplex {

// The name under which a command is undone ("Tempo" for Slower), empty for a command
// whose action names itself.
std::string editName(Command command);

class GrooveController::EditScope {
  public:
    EditScope(GrooveController& c, Command command) : EditScope(c, editName(command)) {}
    EditScope(GrooveController& c, std::string name, std::string mergeKey = {})
        : c_(c), outer_(c.editDepth_++ == 0) {
        if (outer_) {
            before_ = c.s_;
            c.editName_.clear();
            c.editMergeKey_.clear();
        }
        // A command without a name of its own takes the name of the action it runs.
        if (c.editName_.empty()) {
            c.editName_ = std::move(name);
            c.editMergeKey_ = std::move(mergeKey);
        }
    }
    ~EditScope() {
        --c_.editDepth_;
        if (outer_)
            c_.finishEdit(before_, c_.editName_.empty() ? "Edit" : c_.editName_, c_.editMergeKey_);
    }
    EditScope(const EditScope&) = delete;
    EditScope& operator=(const EditScope&) = delete;

  private:
    GrooveController& c_;
    bool outer_;
    GrooveState before_;
};

}  // namespace pattaplex
