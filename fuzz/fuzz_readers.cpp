// Feeds arbitrary bytes to the groove and drum-set readers. A groove that is accepted
// must come back unchanged through the writer and the reader.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "groove_files.h"
#include "integer_plist.h"

using namespace pattaplex;

namespace {

bool sameGroove(const GrooveData& a, const GrooveData& b) {
    return a.SUB == b.SUB && a.BEATS == b.BEATS && a.BARS == b.BARS && a.TEMPO == b.TEMPO &&
           a.KIT == b.KIT && a.notes == b.notes && a.volumes == b.volumes && a.steps == b.steps;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto drums = drumSetFromBytes(bytes)) {
        GrooveState s;
        applyDrumSet(s, *drums);
        if (drumSetArray(s).size() != 11) std::abort();
    }

    if (const auto groove = grooveFromBytes(bytes)) {
        GrooveState s;
        applyGroove(s, *groove);
        const auto again = grooveFromBytes(integerArrayXml(grooveArray(s)));
        if (!again || !sameGroove(*groove, *again)) std::abort();
    }
    return 0;
}
