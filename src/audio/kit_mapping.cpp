#include "kit_mapping.h"

namespace pattaplex {

std::optional<KitPreset> kitPreset(int kit) {
    if (kit <= 0) return std::nullopt;
    KitPreset p;
    if (kit <= 1000) {
        p = {0, kit - 1, kMelodicChannel};
    } else {
        p = {kDrumBank, kit - 16385, kDrumChannel};
    }
    if (p.program < 0 || p.program > 127) return std::nullopt;
    return p;
}

}  // namespace pattaplex
