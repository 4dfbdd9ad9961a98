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

void tell(std::string* why, std::string reason) {
    if (why) *why = std::move(reason);
}

std::string entry(size_t i) {
    return "entry " + std::to_string(i);
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

enum class IntegerText { fits, tooLarge, malformed };

IntegerText classify(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || end != text.data() + text.size()) return IntegerText::malformed;
    if (error == std::errc::result_out_of_range) return IntegerText::tooLarge;
    return error == std::errc() ? IntegerText::fits : IntegerText::malformed;
}

// The parser turns malformed or huge integer texts into some 64-bit number without
// telling, so the texts of an XML list are checked on their own.
bool integerTextsFit(std::string_view xml, std::string* why) {
    constexpr std::string_view open = "<integer", close = "</integer";
    size_t index = 0;  // of the integer element, counted from 0 like the entries
    for (size_t at = xml.find(open); at != std::string_view::npos; at = xml.find(open, at)) {
        at += open.size();
        if (at >= xml.size() || !(xml[at] == '>' || xml[at] == '/' || isSpace(xml[at]))) continue;
        const size_t tagEnd = xml.find('>', at);
        if (tagEnd == std::string_view::npos) break;  // the parser has refused this already
        if (xml[tagEnd - 1] == '/') {
            tell(why, entry(index) + " is not an integer");
            return false;
        }
        const size_t contentEnd = xml.find(close, tagEnd);
        if (contentEnd == std::string_view::npos) break;
        switch (classify(xml.substr(tagEnd + 1, contentEnd - tagEnd - 1))) {
            case IntegerText::fits:
                break;
            case IntegerText::tooLarge:
                tell(why, entry(index) + " lies outside 32 bits");
                return false;
            case IntegerText::malformed:
                tell(why, entry(index) + " is not an integer");
                return false;
        }
        at = contentEnd;
        ++index;
    }
    return true;
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

std::optional<std::vector<int32_t>> parseIntegerArray(std::string_view bytes, std::string* why) {
    if (bytes.size() > kMaxPlistFileBytes) {
        tell(why, kTooLarge);
        return std::nullopt;
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);  // UTF-8 byte order mark
    const auto length = static_cast<uint32_t>(bytes.size());
    const bool binary = plist_is_binary(bytes.data(), length) != 0;

    plist_t parsed = nullptr;
    if (!bytes.empty()) plist_from_memory(bytes.data(), length, &parsed);
    PlistPtr root(parsed);
    if (!root) {
        tell(why, "it is not a property list");
        return std::nullopt;
    }
    if (plist_get_node_type(root.get()) != PLIST_ARRAY) {
        tell(why, "it is not a property-list array");
        return std::nullopt;
    }

    const uint32_t size = plist_array_get_size(root.get());
    std::vector<int32_t> values;
    values.reserve(size);
    for (uint32_t i = 0; i < size; ++i) {
        plist_t item = plist_array_get_item(root.get(), i);
        if (plist_get_node_type(item) != PLIST_UINT) {
            tell(why, entry(i) + " is not an integer");
            return std::nullopt;
        }
        uint64_t raw = 0;
        plist_get_uint_val(item, &raw);
        const auto value = static_cast<int64_t>(raw);
        if (value < INT32_MIN || value > INT32_MAX) {
            tell(why, entry(i) + " lies outside 32 bits");
            return std::nullopt;
        }
        values.push_back(static_cast<int32_t>(value));
    }

    if (binary) {
        // Integers above 63 bits come back wrapped; the XML form of the list shows them.
        if (!integerTextsFit(xmlOf(root.get()), why)) return std::nullopt;
    } else if (!integerTextsFit(bytes, why)) {
        return std::nullopt;
    }
    return values;
}

std::optional<std::string> readSmallFile(const std::string& path, std::string* why) {
    // Non-blocking, so that a named pipe cannot hang the program before it is refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        tell(why, std::strerror(errno));
        return std::nullopt;
    }
    const FileCloser closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        tell(why, std::strerror(errno));
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        tell(why, "it is not a regular file");
        return std::nullopt;
    }
    if (static_cast<uint64_t>(info.st_size) > kMaxPlistFileBytes) {
        tell(why, kTooLarge);
        return std::nullopt;
    }
    // Read one byte more than allowed, in case the file has grown since fstat.
    std::string contents(kMaxPlistFileBytes + 1, '\0');
    size_t filled = 0;
    while (filled < contents.size()) {
        const ssize_t n = ::read(fd, contents.data() + filled, contents.size() - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            tell(why, std::strerror(errno));
            return std::nullopt;
        }
        if (n == 0) break;
        filled += static_cast<size_t>(n);
    }
    if (filled > kMaxPlistFileBytes) {
        tell(why, kTooLarge);
        return std::nullopt;
    }
    contents.resize(filled);
    return contents;
}

}  // namespace pattaplex
