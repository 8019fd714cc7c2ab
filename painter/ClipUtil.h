#pragma once
// Streams and component records through the system clipboard under the
// private format "OMBRA Components". The clipboard holds the stream's bytes
// exactly; what they mean (one record or a component list) is known only to
// the routine that reads them.

#include <cstdint>
#include <memory>

#include "foundation/Classes.h"
#include "foundation/SysUtils.h"
#include "painter/grfClass.h"

namespace velt {

// A clipboard error of the editor: the clipboard cannot be reached (no GUI
// application) or the format number was never registered.
class EClipboardException : public Exception { using Exception::Exception; };

// The name CF_GRCOMP is registered under.
inline constexpr char kGrCompFormatName[] = "OMBRA Components";

// Registers CF_GRCOMP; hosts call it once at start-up (calling again is
// harmless).
void ClipUtilStartup();
// The format number of component data; 0 before ClipUtilStartup.
uint16_t CF_GRCOMP();

// The whole content of stream (from its start, whatever its position) as
// the clipboard's data of format; the clipboard's other data is replaced.
// An empty stream leaves the clipboard as it was.
void SaveStreamToCLB(uint16_t format, TStream& stream);
// The clipboard's data of format in a new memory stream positioned at 0;
// empty when the clipboard holds nothing of the format.
std::unique_ptr<TMemoryStream> LoadStreamFromCLB(uint16_t format);
// One component record (WriteVerUdov) as CF_GRCOMP data.
void SaveVerUdovToCLB(TVerUdov& comp);
// The CF_GRCOMP record as a new child of owner (which holds it), or null
// when the clipboard holds nothing of the format. Read errors pass on.
TVerUdov* LoadVerUdovFromCLB(TVerUdov& owner);
// The same as a root of its own; null when there is nothing.
TVerUdovPtr<> LoadVerUdovFromCLB();

}  // namespace velt
