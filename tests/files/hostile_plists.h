#pragma once
// Property lists made to harm a careless reader: shared references that multiply when
// expanded, nesting tens of thousands deep, an integer wider than 64 bits. Used by the
// file tests and the refusal benchmark.

#include <cstdint>
#include <string>
#include <vector>

namespace pattaplex::hostile {

// `value` as `width` big-endian bytes.
inline std::string bigEndian(uint64_t value, int width) {
    std::string bytes;
    for (int i = width - 1; i >= 0; --i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
    return bytes;
}

// An array object holding the references.
inline std::string arrayObject(const std::vector<uint64_t>& refs, int refSize) {
    std::string object;
    if (refs.size() < 15) {
        object += static_cast<char>(0xA0 | refs.size());
    } else {
        object += "\xAF\x13";
        object += bigEndian(refs.size(), 8);
    }
    for (uint64_t r : refs) object += bigEndian(r, refSize);
    return object;
}

inline std::string integerObject(uint8_t value) {
    std::string object = "\x10";
    object += static_cast<char>(value);
    return object;
}

// A binary property list of the objects; the first is the top object.
inline std::string binaryList(const std::vector<std::string>& objects, int refSize,
                              int offsetSize = 4) {
    std::string list = "bplist00";
    std::vector<uint64_t> offsets;
    for (const std::string& o : objects) offsets.push_back(list.size()), list += o;
    const uint64_t table = list.size();
    for (uint64_t o : offsets) list += bigEndian(o, offsetSize);
    list += std::string(6, '\0') + static_cast<char>(offsetSize) + static_cast<char>(refSize);
    return list + bigEndian(objects.size(), 8) + bigEndian(0, 8) + bigEndian(table, 8);
}

// Arrays each pointing twice at the next, ending in an integer: 2^depth references.
inline std::string sharedReferences(int depth = 40) {
    std::vector<std::string> objects;
    for (int i = 0; i < depth; ++i)
        objects.push_back(arrayObject({uint64_t(i + 1), uint64_t(i + 1)}, 1));
    objects.push_back(integerObject(1));
    return binaryList(objects, 1, 1);
}

// Arrays each holding the next, `depth` deep.
inline std::string deepBinary(int depth = 60000) {
    std::vector<std::string> objects;
    for (int i = 0; i < depth; ++i) objects.push_back(arrayObject({uint64_t(i + 1)}, 4));
    objects.push_back(integerObject(1));
    return binaryList(objects, 4);
}

inline std::string deepXml(int depth = 60000) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    for (int i = 0; i < depth; ++i) xml += "<array>";
    xml += "<integer>666</integer>";
    for (int i = 0; i < depth; ++i) xml += "</array>";
    return xml + "</plist>\n";
}

// A binary 2 x 4 x 2 groove whose entry 40 is -2^31 - 1, held in eight bytes.
inline std::string belowInt32() {
    std::vector<uint64_t> refs(186, 3);
    refs[0] = 1, refs[1] = refs[3] = 2, refs[2] = 4, refs[40] = 5;
    return binaryList(
        {arrayObject(refs, 1), "\x11" + bigEndian(666, 2), integerObject(2), integerObject(1),
         integerObject(4), "\x13" + bigEndian(uint64_t(-int64_t{2147483649}), 8)},
        1);
}

// A drum set whose kit is 2^100 + 120, a 16-byte integer that a lax reader cuts to 120.
inline std::string wideInteger() {
    std::string wide = "\x14";
    wide += bigEndian(1ULL << 36, 8);
    wide += bigEndian(120, 8);
    return binaryList({arrayObject({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2}, 1), integerObject(36), wide},
                      1);
}

}  // namespace pattaplex::hostile
