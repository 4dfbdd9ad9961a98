#include "integer_plist.h"

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>

namespace pattaplex {

namespace {

struct PlistFree {
    void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

struct XmlFree {
    void operator()(char* p) const { plist_to_xml_free(p); }
};

constexpr const char* kTooLarge = "it is larger than 1 MiB";
constexpr const char* kNotAList = "it is not a property list";
constexpr const char* kNotAnArray = "it is not a property-list array of integers";
constexpr const char* kDamaged = "its binary property list is damaged";

std::string entry(size_t i) {
    return "entry " + std::to_string(i);
}

Failure notAnInteger(size_t i) {
    return failure(entry(i) + " is not an integer");
}

Failure tooManyEntries() {
    return failure("it holds more than " + std::to_string(kMaxPlistEntries) + " entries");
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool allSpace(std::string_view s) {
    for (char c : s)
        if (!isSpace(c)) return false;
    return true;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

// An integer element's text, in decimal as the format has it: the parser would turn it
// into some 64-bit number without telling when it is malformed or huge, and would read
// a leading zero as the mark of an octal number.
Result<int32_t> integerText(std::string_view text, size_t index) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || end != text.data() + text.size()) return notAnInteger(index);
    if (error == std::errc::result_out_of_range)
        return failure(entry(index) + " lies outside 32 bits");
    if (error != std::errc()) return notAnInteger(index);
    return value;
}

// The one shape a groove or drum set has in XML: a plist element holding one array
// element holding only integer elements, with the declaration, a DOCTYPE without an
// internal subset, comments and white space around them. Nothing deeper is let through.
// The integers' values are gathered in `values`.
Status checkXmlShape(std::string_view xml, std::vector<int32_t>& values) {
    enum Level { top, inPlist, inArray, inInteger };
    Level level = top;
    bool sawPlist = false, sawArray = false;
    size_t count = 0;      // integer elements so far
    size_t textStart = 0;  // of the current integer element's text
    size_t at = 0;
    while (at < xml.size()) {
        const size_t open = xml.find('<', at);
        const std::string_view text =
            xml.substr(at, open == std::string_view::npos ? std::string_view::npos : open - at);
        if (level != inInteger && !allSpace(text)) return failure(kNotAList);
        if (open == std::string_view::npos) break;
        const std::string_view rest = xml.substr(open);

        if (rest.substr(0, 4) == "<!--") {
            if (level == inInteger) return notAnInteger(count);
            const size_t end = xml.find("-->", open + 4);
            if (end == std::string_view::npos) return failure(kNotAList);
            at = end + 3;
            continue;
        }
        if (rest.substr(0, 2) == "<?") {
            const size_t end = xml.find("?>", open + 2);
            if (level != top || end == std::string_view::npos) return failure(kNotAList);
            at = end + 2;
            continue;
        }
        if (rest.substr(0, 9) == "<!DOCTYPE") {
            const size_t end = xml.find('>', open);
            if (level != top || sawPlist || end == std::string_view::npos)
                return failure(kNotAList);
            // An internal subset could declare entities; a property list has no use for one.
            if (xml.substr(open, end - open).find('[') != std::string_view::npos)
                return failure(kNotAList);
            at = end + 1;
            continue;
        }

        // An element's start or end tag, read to its '>' outside quoted attribute values.
        size_t end = open + 1;
        char quote = 0;
        for (; end < xml.size(); ++end) {
            const char c = xml[end];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
        }
        if (end >= xml.size()) return failure(kNotAList);
        std::string_view tag = xml.substr(open + 1, end - open - 1);
        at = end + 1;
        const bool closing = !tag.empty() && tag.front() == '/';
        if (closing) tag.remove_prefix(1);
        const bool empty = !closing && !tag.empty() && tag.back() == '/';
        if (empty) tag.remove_suffix(1);
        size_t nameEnd = 0;
        while (nameEnd < tag.size() && !isSpace(tag[nameEnd])) ++nameEnd;
        const std::string_view name = tag.substr(0, nameEnd);

        if (closing) {
            if (level == inInteger && name == "integer") {
                const Result<int32_t> value =
                    integerText(xml.substr(textStart, open - textStart), count);
                if (!value) return failure(value.error());
                values.push_back(*value);
                ++count;
                level = inArray;
            } else if (level == inArray && name == "array") {
                level = inPlist;
            } else if (level == inPlist && name == "plist") {
                level = top;
            } else {
                return level == inInteger ? notAnInteger(count) : failure(kNotAList);
            }
            continue;
        }
        if (level == top && name == "plist" && !sawPlist) {
            sawPlist = true;
            if (!empty) level = inPlist;
        } else if (level == inPlist && !sawArray) {
            if (name != "array") return failure(kNotAnArray);
            sawArray = true;
            if (!empty) level = inArray;
        } else if (level == inArray) {
            if (name != "integer" || empty) return notAnInteger(count);
            if (count == kMaxPlistEntries) return tooManyEntries();
            level = inInteger;
            textStart = at;
        } else {
            return level == inInteger ? notAnInteger(count) : failure(kNotAnArray);
        }
    }
    if (level != top || !sawPlist) return failure(kNotAList);
    if (!sawArray) return failure(kNotAnArray);
    return {};
}

// A big-endian unsigned number of `width` bytes (1 to 8).
uint64_t bigEndian(std::string_view bytes, size_t at, size_t width) {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The same shape in a binary list, read from its trailer and offset table: the top object
// is an array, every other object an integer of at most 8 bytes, and every offset,
// reference and object lies inside the file. No object may refer to a container, so
// nothing the parser builds can be shared or nested.
Status checkBinaryShape(std::string_view bin) {
    constexpr size_t kHeader = 8, kTrailer = 32;
    if (bin.substr(0, kHeader) != "bplist00" || bin.size() < kHeader + 1 + kTrailer)
        return failure(kDamaged);
    const size_t trailer = bin.size() - kTrailer;
    const size_t offsetSize = static_cast<unsigned char>(bin[trailer + 6]);
    const size_t refSize = static_cast<unsigned char>(bin[trailer + 7]);
    const uint64_t objects = bigEndian(bin, trailer + 8, 8);
    const uint64_t topObject = bigEndian(bin, trailer + 16, 8);
    const uint64_t tableStart = bigEndian(bin, trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8) return failure(kDamaged);
    // The offset table lies between the objects and the trailer.
    if (objects < 1 || topObject >= objects || tableStart < kHeader + 1 || tableStart > trailer ||
        objects > (trailer - tableStart) / offsetSize)
        return failure(kDamaged);
    const size_t end = tableStart;  // objects end where the table begins
    const auto offsetOf = [&](uint64_t object) {
        return bigEndian(bin, tableStart + object * offsetSize, offsetSize);
    };

    for (uint64_t object = 0; object < objects; ++object) {
        const uint64_t at = offsetOf(object);
        if (at < kHeader || at >= end) return failure(kDamaged);
        const auto marker = static_cast<unsigned char>(bin[at]);
        if (object == topObject) continue;
        if ((marker & 0xF0) != 0x10) return failure(kNotAnArray);
        if ((marker & 0x0F) > 3) return failure("an entry is wider than 8 bytes");
        if (at + 1 + (size_t{1} << (marker & 0x0F)) > end) return failure(kDamaged);
    }

    uint64_t at = offsetOf(topObject);
    const auto marker = static_cast<unsigned char>(bin[at++]);
    if ((marker & 0xF0) != 0xA0) return failure(kNotAnArray);
    uint64_t count = marker & 0x0F;
    if (count == 0x0F) {  // the count follows as an integer object
        if (at >= end) return failure(kDamaged);
        const auto countMarker = static_cast<unsigned char>(bin[at++]);
        const size_t width = size_t{1} << (countMarker & 0x0F);
        if ((countMarker & 0xF0) != 0x10 || width > 8 || at + width > end) return failure(kDamaged);
        count = bigEndian(bin, at, width);
        at += width;
    }
    if (count > kMaxPlistEntries) return tooManyEntries();
    if (count > (end - at) / refSize) return failure(kDamaged);
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t ref = bigEndian(bin, at + i * refSize, refSize);
        if (ref >= objects) return failure(kDamaged);
        if (ref == topObject) return notAnInteger(i);
    }
    return {};
}

std::string xmlOf(plist_t list) {
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(list, &xml, &length);
    std::unique_ptr<char, XmlFree> owned(xml);
    return xml ? std::string(xml, length) : std::string();
}

struct FileCloser {
    int fd;
    ~FileCloser() { ::close(fd); }
};

}  // namespace

std::string integerArrayXml(const std::vector<int32_t>& values) {
    PlistPtr array(plist_new_array());
    // Negative numbers travel as their two's complement; the XML writer prints them signed.
    for (int32_t v : values)
        plist_array_append_item(array.get(), plist_new_uint(static_cast<uint64_t>(int64_t{v})));
    return xmlOf(array.get());
}

Result<std::vector<int32_t>> parseIntegerArray(std::string_view bytes) {
    if (bytes.size() > kMaxPlistFileBytes) return failure(kTooLarge);
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);  // UTF-8 byte order mark
    const bool binary = bytes.substr(0, 6) == "bplist";
    std::vector<int32_t> xmlValues;
    if (Status shape = binary ? checkBinaryShape(bytes) : checkXmlShape(bytes, xmlValues); !shape)
        return failure(shape.error());

    plist_t parsed = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &parsed);
    PlistPtr root(parsed);
    if (!root) return failure(kNotAList);
    if (plist_get_node_type(root.get()) != PLIST_ARRAY) return failure(kNotAnArray);

    const uint32_t size = plist_array_get_size(root.get());
    // In XML the parser vouches for the document as a whole; the numbers are those read as
    // decimal in the check.
    if (!binary && xmlValues.size() != size) return failure(kNotAList);
    std::vector<int32_t> values;
    for (uint32_t i = 0; i < size; ++i) {
        plist_t item = plist_array_get_item(root.get(), i);
        if (plist_get_node_type(item) != PLIST_UINT) return notAnInteger(i);
        if (!binary) continue;
        uint64_t raw = 0;
        plist_get_uint_val(item, &raw);
        const auto value = static_cast<int64_t>(raw);
        if (value < INT32_MIN || value > INT32_MAX)
            return failure(entry(i) + " lies outside 32 bits");
        values.push_back(static_cast<int32_t>(value));
    }
    return binary ? values : xmlValues;
}

Result<std::string> readSmallFile(const std::string& path) {
    // Non-blocking, so that a named pipe cannot hang the program before it is refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return failure(std::strerror(errno));
    const FileCloser closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) return failure(std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return failure("it is not a regular file");
    if (static_cast<uint64_t>(info.st_size) > kMaxPlistFileBytes) return failure(kTooLarge);
    // Read one byte more than allowed, in case the file has grown since fstat.
    std::string contents(kMaxPlistFileBytes + 1, '\0');
    size_t filled = 0;
    while (filled < contents.size()) {
        const ssize_t n = ::read(fd, contents.data() + filled, contents.size() - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failure(std::strerror(errno));
        if (n == 0) break;
        filled += static_cast<size_t>(n);
    }
    if (filled > kMaxPlistFileBytes) return failure(kTooLarge);
    contents.resize(filled);
    return contents;
}

}  // namespace pattaplex
