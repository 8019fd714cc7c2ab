#pragma once
// The native-word vocabulary: words that are neither defined in the program
// text nor published by a host object. Each entry is a 40-byte record: the
// name as a counted string of at most 31 characters, then the word's
// handler as two 32-bit handles (code, object).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/SysUtils.h"

namespace velt {

class TForth;

class TVocabulary : public TObject {
public:
    static constexpr int MaxNameLength = 31;
    static constexpr int RecordSize = 40;

    TVocabulary();
    std::string ClassName() const override { return "TVocabulary"; }

    // Adds a word under the first 31 characters of name; a name already
    // present gets the new handler.
    void AddWord(std::string_view name, std::function<void(TForth&)> word);
    // The handler of the word named exactly name (case-sensitive), or null.
    const std::function<void(TForth&)>* FindWord(std::string_view name) const;
    int Count() const;

private:
    std::vector<char> records_;
    std::vector<int> index_;  // record numbers ordered by name
    std::vector<std::function<void(TForth&)>> handlers_;
};

}  // namespace velt
