#include "graphics/GrfReg.h"

#include "graphics/GrfRERul.h"
#include "graphics/GrfSel.h"
#include "graphics/GrfSelFn.h"
#include "graphics/RxCtrls.h"
#include "platform/ui/ComponentPalette.h"

namespace velt {

namespace {

template <typename T>
TComponentFactory Factory() {
    return [] { return std::unique_ptr<QWidget>(T::Create().release()); };
}

}  // namespace

void RegisterGraphicsControls() {
    RegisterComponents("VerUdov", {
                                      {"TGraphSelect", Factory<TGraphSelect>()},
                                      {"TGraphSelectColor", Factory<TGraphSelectColor>()},
                                      {"TGraphSelectFont", Factory<TGraphSelectFont>()},
                                      {"TGraphSelectFontSize", Factory<TGraphSelectFontSize>()},
                                      {"TRichRuller", Factory<TRichRuller>()},
                                  });
    RegisterComponents("RX", {
                                 {"TrxSplitter", Factory<TrxSplitter>()},
                                 {"TrxLabel", Factory<TrxLabel>()},
                                 {"TrxClock", Factory<TrxClock>()},
                             });
}

void FreeGraphicsControls() {
    FreeGraphSelectLists();
    FreeRullerBitmaps();
}

}  // namespace velt
