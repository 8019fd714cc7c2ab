#pragma once
// The painter's visual components on the component palette, page
// "VerUdov": the drawing surface, the editing canvas, the panel that hosts
// a canvas between two rulers (made with a canvas of its own) and the
// ruler. Hosts call RegisterPainterComponents themselves.

namespace velt {

void RegisterPainterComponents();

}  // namespace velt
