#pragma once
// One user action as one step of undo: the groove before the action is kept, and when
// the outermost action ends having changed the groove it is recorded under its name.

#include <string>

#include "GrooveController.h"

namespace pattaplex {

// The name under which a key of the grid is undone ("Tempo" for the comma).
std::string keyEditName(char32_t key);

class GrooveController::EditScope {
  public:
    EditScope(GrooveController& c, std::string name, std::string mergeKey = {})
        : c_(c),
          outer_(c.editDepth_++ == 0),
          name_(std::move(name)),
          mergeKey_(std::move(mergeKey)) {
        if (outer_) before_ = c.s_;
    }
    ~EditScope() {
        --c_.editDepth_;
        if (outer_) c_.finishEdit(before_, name_, mergeKey_);
    }
    EditScope(const EditScope&) = delete;
    EditScope& operator=(const EditScope&) = delete;

  private:
    GrooveController& c_;
    bool outer_;
    std::string name_;
    std::string mergeKey_;
    GrooveState before_;
};

}  // namespace pattaplex
