#pragma once
// The small controls on the component palette: page "Varno" holds the
// checked list view and the colouring rich edit (the component group is
// not visual and goes on no page). Hosts call RegisterSmallControls
// themselves.

namespace velt {

void RegisterSmallControls();

}  // namespace velt
