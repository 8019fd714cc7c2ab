#pragma once
// Components through the clipboard: a component list in its stream form,
// and the reader of a paste payload, which needs no widget.

#include <cstdint>

#include "foundation/Classes.h"

namespace velt {

class TGrfEditCompList;
class TVerUdov;

// The list's stream form as clipboard data of format; an empty list leaves
// the clipboard as it was.
void SaveToClipboard(const TGrfEditCompList& list, uint16_t format);
// When the clipboard holds data of format: the list cleared and read from
// it (components made in owner); true. False, the list untouched, without.
bool LoadFromClipboard(TGrfEditCompList& list, uint16_t format, TVerUdov* owner);

// Reads a paste payload from the stream's position into into's children:
// the component-list form, or, when the list reader refuses a payload that
// starts with "@", one component record. Either all components are read or
// none (the error passes on). Then the links of what was read are
// renumbered.
void ReadPastePayload(TStream& stream, TVerUdov& into);

// Gives every distinct non-zero connection identifier in the subtrees of
// root's children one new identifier, so that copies do not share links
// with their originals; a connected point whose partner is not among them
// (or that is linked to identifier 0) is disconnected.
void RenumberPastedLinks(TVerUdov& root);

}  // namespace velt
