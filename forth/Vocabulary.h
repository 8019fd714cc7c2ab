#pragma once
// The native-word vocabulary: words that are neither defined in the program
// text nor published by a host object. It is a structured table of 40-byte
// records, described by three fields:
//
//   "NFA"      tkString, 32 bytes at 0: the name, a counted string of at most
//              31 characters; the table's sorted search index
//   "CFA.Code" tkPointer, 4 bytes at 32: handle of the word's handler
//   "CFA.Obj"  tkPointer, 4 bytes at 36: 0 (the handler carries its object)
//
// (the descriptors are declared NFA, CFA.Obj, CFA.Code; in the record the code
// half comes before the object half). Handlers are kept beside the records and
// a record refers to its handler by a 32-bit handle, never by address.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Navigator.h"

namespace velt {

class TForth;

// One record as stored.
struct TVocabularyRecord {
    uint8_t NFA[32];  // length byte + up to 31 characters
    uint32_t Code;    // handler handle: 1-based index beside the records
    uint32_t Obj;     // always 0
};
static_assert(sizeof(TVocabularyRecord) == 40);
static_assert(offsetof(TVocabularyRecord, Code) == 32 && offsetof(TVocabularyRecord, Obj) == 36);

class TVocabulary : public TStructuredTreeList {
public:
    static constexpr int MaxNameLength = 31;
    static constexpr int RecordSize = 40;
    // Field numbers, in descriptor order.
    enum : int { fiNFA = 0, fiCFAObj = 1, fiCFACode = 2 };

    TVocabulary();
    std::string ClassName() const override { return "TVocabulary"; }

    // Adds a word under the first 31 characters of name; a name already
    // present gets the new handler.
    void AddWord(std::string_view name, std::function<void(TForth&)> word);
    // The handler of the word named exactly name (case-sensitive), or null;
    // a name longer than 31 characters never matches.
    const std::function<void(TForth&)>* FindWord(std::string_view name);
    int Count() const { return GetCount(); }

private:
    static std::unique_ptr<TDBInfoNavigator> MakeNavigator();
    std::vector<std::function<void(TForth&)>> handlers_;
};

}  // namespace velt
