#include "kit_mapping.h"

namespace pattaplex {

int64_t kitProgram(int kit) {
    return int64_t{kit} - (kit > 1000 ? 16385 : 1);
}

int kitChannel(int kit) {
    return kit > 1000 ? kDrumChannel : kMelodicChannel;
}

std::optional<KitPreset> kitPreset(int kit) {
    const int64_t program = kitProgram(kit);
    if (kit <= 0 || program < 0 || program > 127) return std::nullopt;
    return KitPreset{kit > 1000 ? kDrumBank : 0, static_cast<int>(program), kitChannel(kit)};
}

std::string missingKitReason(int kit) {
    return "the soundfonts have no instrument or kit " + std::to_string(kit);
}

}  // namespace pattaplex
