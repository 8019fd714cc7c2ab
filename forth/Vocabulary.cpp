#include "forth/Vocabulary.h"

#include <cstring>

namespace velt {

namespace {

// The key value of FindKey for a tkString field: a counted string.
struct TCountedName {
    uint8_t Bytes[1 + TVocabulary::MaxNameLength] = {};
    explicit TCountedName(std::string_view name) {
        Bytes[0] = uint8_t(name.size());
        std::memcpy(Bytes + 1, name.data(), name.size());
    }
};

}  // namespace

std::unique_ptr<TDBInfoNavigator> TVocabulary::MakeNavigator() {
    auto nav = std::make_unique<TDBInfoNavigator>();
    TDBFieldInfo fi;
    TCDBField::Create().Key(tkString).Name("NFA").Size(32).Offset(0).SetIndex().Apply(fi);
    nav->AddField(fi);
    TCDBField::Create().Key(tkPointer).Name("CFA.Obj").Size(4).Offset(36).Apply(fi);
    nav->AddField(fi);
    TCDBField::Create().Key(tkPointer).Name("CFA.Code").Size(4).Offset(32).Apply(fi);
    nav->AddField(fi);
    if (nav->GetFieldInfoSize() != RecordSize) throw EAssertionFailed("Vocabulary record is not 40 bytes");
    return nav;
}

TVocabulary::TVocabulary() : TStructuredTreeList(MakeNavigator()) {
    if (GetItemSize() != RecordSize) throw EAssertionFailed("Vocabulary record is not 40 bytes");
}

void TVocabulary::AddWord(std::string_view name, std::function<void(TForth&)> word) {
    const TCountedName key(name.substr(0, MaxNameLength));
    const int found = FindKey(fiNFA, key.Bytes);
    TVocabularyRecord rec{};
    if (found >= 0) {
        std::memcpy(&rec, GetItem(found), sizeof rec);
        if (rec.Code >= 1 && rec.Code <= handlers_.size()) {
            handlers_[rec.Code - 1] = std::move(word);
            return;
        }
    } else {
        std::memcpy(rec.NFA, key.Bytes, sizeof rec.NFA);
    }
    // A new word, or a record added directly whose handle names no handler.
    handlers_.push_back(std::move(word));
    rec.Code = uint32_t(handlers_.size());
    if (found >= 0)
        SetItem(found, &rec);
    else
        Add(&rec);
}

const std::function<void(TForth&)>* TVocabulary::FindWord(std::string_view name) {
    if (name.size() > size_t(MaxNameLength)) return nullptr;
    const TCountedName key(name);
    const int found = FindKey(fiNFA, key.Bytes);
    if (found < 0) return nullptr;
    TVocabularyRecord rec;
    std::memcpy(&rec, GetItem(found), sizeof rec);
    // Records added to the table directly may hold any code.
    if (rec.Code < 1 || rec.Code > handlers_.size()) return nullptr;
    return &handlers_[rec.Code - 1];
}

}  // namespace velt
