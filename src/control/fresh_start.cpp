#include "fresh_start.h"

#include "GridRenderer.h"
#include "defaults.h"

namespace pattaplex {

GrooveState freshStartState() {
    GrooveState s;
    applyStartupValues(s);
    loadDefaultSounds(s);
    initVOL(s);
    setVOL(s);
    s.LNG = capGrid(s);
    s.left = grid::gridLeft(s.LNG);
    return s;
}

}  // namespace pattaplex
