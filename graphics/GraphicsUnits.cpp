#include "graphics/GraphicsUnits.h"

#include <QtGlobal>
#include <exception>

#include "foundation/CommMsg.h"
#include "graphics/GRFCtrl.h"
#include "graphics/GrfReg.h"
#include "graphics/Options.h"

// Resources of a static library are registered by name, outside any
// namespace.
static void InitGraphicsArt() { Q_INIT_RESOURCE(GraphicsArt); }

namespace velt {

namespace {
int gStarts = 0;
}  // namespace

void GraphicsStartup(const std::string& iniName) {
    if (gStarts > 0) {
        ++gStarts;
        return;
    }
    InitGraphicsArt();
    Options::OptionsStartup(iniName);
    try {
        LoadPalette();
    } catch (...) {
        FreePalette();
        Options::OptionsShutdown();
        throw;
    }
    gStarts = 1;
}

void GraphicsShutdown() {
    if (gStarts == 0 || --gStarts > 0) return;
    try {
        SavePalette();
    } catch (const std::exception& e) {
        try {
            Warning(std::string("The colour palette could not be saved: ") + e.what());
        } catch (...) {  // a sink that cannot report either: shut-down goes on
        }
    }
    FreeGraphicsControls();
    FreePalette();
    Options::OptionsShutdown();
}

bool GraphicsStarted() { return gStarts > 0; }

}  // namespace velt
