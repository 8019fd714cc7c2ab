#include "painter/GrfeReg.h"

#include "painter/EdtPaint.h"
#include "painter/EdtPanel.h"
#include "painter/GrfRul.h"
#include "platform/ui/ComponentPalette.h"

namespace velt {

void RegisterPainterComponents() {
    RegisterComponents("VerUdov",
                       {
                           {"TGraphPaint", [] { return std::unique_ptr<QWidget>(std::make_unique<TGraphPaint>()); }},
                           {"TEditGraphPaint",
                            [] { return std::unique_ptr<QWidget>(std::make_unique<TEditGraphPaint>()); }},
                           {"TEditGraphPanel",
                            [] {
                                std::unique_ptr<TEditGraphPanel> panel = TEditGraphPanel::Create();
                                // The panel, its Qt parent, owns the canvas.
                                panel->SetBox(new TEditGraphPaint(panel.get()));
                                return std::unique_ptr<QWidget>(panel.release());
                            }},
                           {"TGraphRuller",
                            [] {
                                auto ruller = std::make_unique<TGraphRuller>();
                                ruller->Loaded();
                                return std::unique_ptr<QWidget>(ruller.release());
                            }},
                       });
}

}  // namespace velt
