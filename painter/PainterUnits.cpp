#include "painter/PainterUnits.h"

#include <QFile>
#include <memory>

#include "painter/GrfPaint.h"
#include "painter/GrfRul.h"
#include "painter/dPropEdt.h"

namespace velt {

namespace {
int g_count = 0;
std::unique_ptr<TVectorFont> g_font;
}  // namespace

TVectorFont* StandFont() { return g_font.get(); }

void PainterStartup() {
    if (g_count > 0) {
        ++g_count;
        return;
    }
    QFile f(":/velt/STANFONT/STANDART");
    if (!f.open(QIODevice::ReadOnly)) throw Exception(kVectorFontError);
    const QByteArray data = f.readAll();
    g_font = std::make_unique<TVectorFont>(std::string_view(data.constData(), size_t(data.size())));
    g_count = 1;
}

void PainterShutdown() {
    if (g_count == 0) return;
    if (--g_count > 0) return;
    g_font.reset();
    FreeRullerCursors();
    PropEditorShutdown();
}

int PainterStartCount() { return g_count; }

}  // namespace velt
