#include "painter/EdtClip.h"

#include <unordered_map>
#include <vector>

#include "foundation/SysUtils.h"
#include "painter/ClipUtil.h"
#include "painter/EdtComp.h"
#include "painter/IGrfTopo.h"

namespace velt {

void SaveToClipboard(const TGrfEditCompList& list, uint16_t format) {
    TMemoryStream s;
    list.SaveToStream(s);
    SaveStreamToCLB(format, s);
}

bool LoadFromClipboard(TGrfEditCompList& list, uint16_t format, TVerUdov* owner) {
    std::unique_ptr<TMemoryStream> s = LoadStreamFromCLB(format);
    if (!s || s->Size() == 0) return false;
    list.Clear();
    list.LoadFromStream(*s, owner);
    return true;
}

void ReadPastePayload(TStream& stream, TVerUdov& into) {
    const int64_t start = stream.GetPosition();
    try {
        TGrfEditCompList list;
        list.LoadFromStream(stream, &into);
    } catch (...) {
        into.DestroyComponents();
        char first = 0;
        stream.SetPosition(start);
        if (stream.Read(&first, 1) != 1 || first != RecordMarker) throw;
        stream.SetPosition(start);
        TVerUdov* comp = ReadVerUdov(stream, &into);
        auto* edit = dynamic_cast<TGrfEditComp*>(comp);
        if (comp && !edit) {
            Release(comp);
            throw EReadError("The clipboard holds no editable component");
        }
        if (edit) edit->SetAttr(caSelected, true);
    }
    try {
        RenumberPastedLinks(into);
    } catch (...) {
        into.DestroyComponents();
        throw;
    }
}

void RenumberPastedLinks(TVerUdov& root) {
    std::vector<ComPtr<ILinkedObject>> objects;
    std::vector<TVerUdov*> stack;
    for (int i = root.GetComponentCount() - 1; i >= 0; --i) stack.push_back(root.GetComponent(i));
    while (!stack.empty()) {
        TVerUdov* c = stack.back();
        stack.pop_back();
        if (ComPtr<ILinkedObject> lo = ComQuery<ILinkedObject>(c)) objects.push_back(std::move(lo));
        for (int i = c->GetComponentCount() - 1; i >= 0; --i) stack.push_back(c->GetComponent(i));
    }
    std::unordered_map<int32_t, int> uses;
    for (const auto& o : objects) {
        TConnList& l = o->GetConnList();
        for (int i = 0; i < l.GetCount(); ++i)
            if (const int32_t id = l.Conn(i)->Connection) ++uses[id];
    }
    // The new identifiers are all taken before any point changes: running
    // out leaves the points as they were.
    std::unordered_map<int32_t, int32_t> fresh;
    for (const auto& [id, n] : uses) fresh[id] = CreateNewConnection();
    for (const auto& o : objects) {
        TConnList& l = o->GetConnList();
        for (int i = 0; i < l.GetCount(); ++i) {
            TConnectionInfo* p = l.Conn(i);
            if (p->Connection == 0) {
                // Linked to "none": nothing can be its partner.
                if (p->Connected()) p->Disconnect();
                continue;
            }
            const bool alone = uses[p->Connection] == 1;
            p->Connection = fresh[p->Connection];
            if (alone && p->Connected()) p->Disconnect();
        }
    }
}

}  // namespace velt
