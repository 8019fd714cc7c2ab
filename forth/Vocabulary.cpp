#include "forth/Vocabulary.h"

#include <algorithm>
#include <cstring>

namespace velt {

namespace {

std::string_view RecName(const char* rec) { return {rec + 1, size_t(uint8_t(rec[0]))}; }

}  // namespace

TVocabulary::TVocabulary() = default;

void TVocabulary::AddWord(std::string_view name, std::function<void(TForth&)> word) {
    name = name.substr(0, MaxNameLength);
    for (size_t i = 0; i < index_.size(); ++i) {
        const char* rec = records_.data() + size_t(index_[i]) * RecordSize;
        if (RecName(rec) == name) {
            uint32_t code;
            std::memcpy(&code, rec + 32, 4);
            handlers_[code - 1] = std::move(word);
            return;
        }
    }
    char rec[RecordSize] = {};
    rec[0] = char(name.size());
    std::memcpy(rec + 1, name.data(), name.size());
    handlers_.push_back(std::move(word));
    uint32_t code = uint32_t(handlers_.size());
    std::memcpy(rec + 32, &code, 4);
    int n = Count();
    records_.insert(records_.end(), rec, rec + RecordSize);
    auto it = std::lower_bound(index_.begin(), index_.end(), name, [&](int r, std::string_view v) {
        return RecName(records_.data() + size_t(r) * RecordSize) < v;
    });
    index_.insert(it, n);
}

const std::function<void(TForth&)>* TVocabulary::FindWord(std::string_view name) const {
    if (name.size() > size_t(MaxNameLength)) return nullptr;
    auto it = std::lower_bound(index_.begin(), index_.end(), name, [&](int r, std::string_view v) {
        return RecName(records_.data() + size_t(r) * RecordSize) < v;
    });
    if (it == index_.end()) return nullptr;
    const char* rec = records_.data() + size_t(*it) * RecordSize;
    if (RecName(rec) != name) return nullptr;
    uint32_t code;
    std::memcpy(&code, rec + 32, 4);
    return &handlers_[code - 1];
}

int TVocabulary::Count() const { return int(records_.size() / RecordSize); }

}  // namespace velt
