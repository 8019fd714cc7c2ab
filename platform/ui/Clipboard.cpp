#include "platform/ui/Clipboard.h"

#include <map>
#include <mutex>

#include "foundation/SysUtils.h"

namespace velt {

namespace {

constexpr size_t kMaxFormatName = 255;

struct TFormatTable {
    std::mutex lock;
    std::map<std::string, uint16_t> byMime;
    std::map<uint16_t, std::string> byNumber;
};

TFormatTable& Formats() {
    static TFormatTable table;
    return table;
}

bool IsAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

}  // namespace

std::string ClipboardFormatMimeOf(const std::string& name) {
    std::string tail;
    bool gap = false;
    for (char c : name) {
        if (IsAlnum(c)) {
            if (gap && !tail.empty()) tail += '-';
            gap = false;
            tail += LowCaseChar(c);
        } else {
            gap = true;
        }
    }
    return tail.empty() ? std::string() : "application/x-" + tail;
}

uint16_t RegisterClipboardFormat(const std::string& name) {
    if (name.size() > kMaxFormatName)
        throw Exception("Clipboard format name longer than 255 characters");
    const std::string mime = ClipboardFormatMimeOf(name);
    if (mime.empty()) throw Exception("Clipboard format name \"" + name + "\" has no letter or digit");
    TFormatTable& t = Formats();
    std::lock_guard guard(t.lock);
    if (auto it = t.byMime.find(mime); it != t.byMime.end()) return it->second;
    const size_t count = t.byNumber.size();
    if (count > size_t(0xFFFF - kFirstClipboardFormat)) throw Exception("No clipboard format number left");
    const auto number = uint16_t(kFirstClipboardFormat + count);
    t.byMime.emplace(mime, number);
    t.byNumber.emplace(number, mime);
    return number;
}

std::string ClipboardFormatMime(uint16_t format) {
    TFormatTable& t = Formats();
    std::lock_guard guard(t.lock);
    auto it = t.byNumber.find(format);
    return it == t.byNumber.end() ? std::string() : it->second;
}

}  // namespace velt
