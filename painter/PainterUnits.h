#pragma once
// Start-up and shut-down of the painter, counted like the graphics base's:
// the first start loads the stroked font from the resource
// ":/velt/STANFONT/STANDART"; the last shut-down frees it and the ruler
// cursors and forgets the property editor's page. Hosts call them; nothing starts from a static constructor.

namespace velt {

// Exception "GrFont: hLib = 0" when the font resource is missing or not a
// font (the count is then not raised).
void PainterStartup();
void PainterShutdown();
int PainterStartCount();

}  // namespace velt
