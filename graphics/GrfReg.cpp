#include "graphics/GrfReg.h"

#include "graphics/GrfRERul.h"
#include "graphics/GrfSel.h"
#include "graphics/GrfSelFn.h"
#include "graphics/RxCtrls.h"
#include "platform/ui/ComponentPalette.h"

namespace velt {

void RegisterGraphicsControls() {
    RegisterComponents("VerUdov", {
                                      {"TGraphSelect", ComponentFactory<TGraphSelect>()},
                                      {"TGraphSelectColor", ComponentFactory<TGraphSelectColor>()},
                                      {"TGraphSelectFont", ComponentFactory<TGraphSelectFont>()},
                                      {"TGraphSelectFontSize", ComponentFactory<TGraphSelectFontSize>()},
                                      {"TRichRuller", ComponentFactory<TRichRuller>()},
                                  });
    RegisterComponents("RX", {
                                 {"TrxSplitter", ComponentFactory<TrxSplitter>()},
                                 {"TrxLabel", ComponentFactory<TrxLabel>()},
                                 {"TrxClock", ComponentFactory<TrxClock>()},
                             });
}

void FreeGraphicsControls() {
    FreeGraphSelectLists();
    FreeRullerBitmaps();
}

}  // namespace velt
