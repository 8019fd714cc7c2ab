// Two connection lists on arbitrary bytes (a kinds mask, a mode byte, then
// the two streams). Each loads or raises the system's exception; the second
// is then merged into the first, which must leave the source untouched and
// no point marked removed. Each input starts the identifier counter afresh,
// so that what one input loads cannot use up the identifiers of the next:
// every loaded point then disconnects, and a connect shares one identifier.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "painter/IGrfTopo.h"

using namespace velt;

namespace {
std::string Records(const TConnList& l) {
    return std::string(static_cast<const char*>(l.GetFirst()), size_t(l.GetCount()) * 16);
}

// A loaded point is unconnected or has an identifier in the loaded range.
void CheckLoaded(TConnList& l) {
    for (int i = 0; i < l.GetCount(); ++i) {
        const TConnectionInfo c = l.GetConn(i);
        if (c.Connected() && (c.Connection <= 0 || c.Connection > MaxLoadedConnection)) std::abort();
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    ResetConnectionCounter();
    const TConnTypes types = data[0];
    const bool addNew = data[1] & 1;
    const auto compare = TConnCompare((data[1] >> 1) % 3);
    TMemoryStream in;
    in.WriteBuffer(data + 2, int64_t(size - 2));
    in.SetPosition(0);
    TConnList own, source;
    try {
        own.LoadFromStream(in);
        source.LoadFromStream(in);
    } catch (const Exception&) {
        return 0;
    }
    CheckLoaded(own);
    CheckLoaded(source);
    const std::string before = Records(source);
    own.MergeFrom(source, types, addNew, compare);
    if (Records(source) != before) std::abort();
    for (int i = 0; i < own.GetCount(); ++i)
        if (own.GetConn(i).GetAttr(cnaRemoved)) std::abort();

    // A fresh identifier lies above every loaded one.
    int32_t top = 0;
    for (TConnList* l : {&own, &source})
        for (int i = 0; i < l->GetCount(); ++i) top = std::max(top, l->GetConn(i).Connection);
    for (int i = 0; i < own.GetCount(); ++i) {
        TConnectionInfo* c = own.Conn(i);
        c->Disconnect();
        if (c->Connected() || c->Connection <= top) std::abort();
    }
    if (own.GetCount() > 0 && source.GetCount() > 0) {
        own.Conn(0)->Connect(*source.Conn(0));
        if (own.GetConn(0).Connection == 0 || own.GetConn(0).Connection != source.GetConn(0).Connection) std::abort();
        if (!own.GetConn(0).Connected() || !source.GetConn(0).Connected()) std::abort();
    }
    return 0;
}
