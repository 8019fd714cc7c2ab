#pragma once
// The font and picture objects of the geometry unit: their streams (over
// the records of GrfUtils), font text, and a polyline drawn on a canvas.

#include <memory>
#include <string>

#include "graphics/GrfUtils.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Font.h"
#include "platform/ui/Graphic.h"

namespace velt {

// The font format of GrfUtils (WriteFontRecord); no font writes "absent".
void WriteFont(const TFont* font, TStream& s);
// A present font is read into font, which is created when it holds none;
// an absent one leaves font as it is.
void ReadFont(std::unique_ptr<TFont>& font, TStream& s);

// The picture format: tag 1 for a metafile, 2 for an icon, 3 for a bitmap,
// then the picture's file form as one block; tag 0 for none.
void WriteGraphic(TStream& s, const TGraphic* graphic);
// A new picture of the stored kind, or none for tag 0 or an unknown tag.
// A metafile keeps its bytes as they are; a bitmap or icon that cannot be
// read raises EInvalidGraphic.
std::unique_ptr<TGraphic> ReadGraphic(TStream& s);

// Copies charset, colour, size, name, style and pitch when both are given.
void AssignFont(const TFont* source, TFont* dest);
// The charset's identifier without "_CHARSET" ("CYRILLIC" for 204, empty
// for one without a name), with only its first letter in upper case; when
// not long, its first three letters, "Ansi" for 0, empty for 1 and "CE"
// for 238.
std::string CharSetToIdentEx(int charset, bool long_);
// "<name> <short charset>, <size>" and ", B", ", I", ", U" for bold,
// italic, underline; empty for no font.
std::string FontToStr(const TFont* font);

// MoveTo the first point, LineTo through the others, each rounded (halves
// to even); nothing without a canvas or with fewer than two points.
void DrawOn(const TPoints& points, TCanvas* canvas);

}  // namespace velt
