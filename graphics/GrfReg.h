#pragma once
// The graphics controls on the component palette: page "VerUdov" holds the
// pickers and the rich-edit ruler, page "RX" the splitter, the shadowed
// label and the clock. Each factory makes a control through its class's
// Create, so that the control is whole (Loaded has run) when it is handed
// out. Hosts call RegisterGraphicsControls themselves.

namespace velt {

void RegisterGraphicsControls();

// Frees what the controls share: the pickers' font, charset and size lists
// and the ruler's marker bitmaps. GraphicsShutdown runs it.
void FreeGraphicsControls();

}  // namespace velt
