#pragma once
// The tab "Drawing surface" of velt-palette: a surface in millimetres with
// its rulers, step and grids, and a drawing that uses every operation of
// the surface; a double click opens the setup dialog once its press is
// handled.

#include <QWidget>

namespace velt {

class TGraphPaint;

// Fills page; answers the surface.
TGraphPaint* FillSurfacePage(QWidget* page);
// Runs the setup dialog on the surface; OK stores its values. The surface's
// auto-scroll is stopped: the dialog has the mouse.
void SetupSurface(TGraphPaint* surface);

}  // namespace velt
