#pragma once
// A drawing of velt-painter in its two stored forms: the text form (*.grt)
// and the binary root file (*.grf), the record body of the root without
// marker and class id.

#include <string>

#include "painter/EdtComp.h"

namespace velt {

// The stored forms of a drawing.
enum TDrawingForm : uint8_t { dfText, dfBinary };

// The form a file name asks for: ".grt" text, ".grf" binary (ASCII case
// ignored); EInOutError naming the file for another extension.
TDrawingForm DrawingFormOf(const std::string& fileName);
// Reads a drawing: the text form when the file begins (after blanks) with
// "object (", else a binary root file. Errors name the file.
TVerUdovPtr<TGrfRootComp> LoadDrawing(const std::string& fileName);
// The same from the bytes of a stream, read from its start.
TVerUdovPtr<TGrfRootComp> LoadDrawingFrom(TMemoryStream& bytes);
// Writes root in the form the extension asks for, through a temporary file
// renamed over the old one: a failure leaves the old file as it was.
void SaveDrawing(TGrfRootComp& root, const std::string& fileName);

}  // namespace velt
