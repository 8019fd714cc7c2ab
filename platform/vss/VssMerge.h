#pragma once
// Three-way merge of text by lines: the changes from base to mine and from
// base to theirs are combined when they touch different lines. Changes that
// overlap or touch each other, or texts too different to compare, make a
// conflict; the caller then leaves everything as it was.

#include <optional>
#include <string>
#include <string_view>

namespace velt::vss {

// The merged text, or nothing when the changes conflict.
std::optional<std::string> MergeText(std::string_view base, std::string_view mine, std::string_view theirs);

}  // namespace velt::vss
