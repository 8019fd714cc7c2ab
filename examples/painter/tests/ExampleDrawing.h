#pragma once
// The example drawing of velt-painter built in code, and a summary of a
// drawing that two equal drawings share: each component's class, name,
// geometry and the components its connection points are linked to.

#include <sstream>
#include <string>

#include "examples/painter/BoxLink.h"

namespace velt::test {

inline TGrfBox* AddBox(TGrfRootComp& root, const std::string& name, float x, float y) {
    TGrfBox* b = TVerUdov::New<TGrfBox>(&root);
    b->Name = name;
    b->Move(x, y);
    return b;
}

inline TGrfLink* AddLink(TGrfRootComp& root, const std::string& name, std::initializer_list<TSPoint> points) {
    TGrfLink* l = TVerUdov::New<TGrfLink>(&root);
    l->Name = name;
    for (const TSPoint& p : points) l->AddPoint(p);
    return l;
}

// Links pin of box and end of link under the identifier id.
inline void Join(TGrfBox& box, int pin, TGrfLink& link, int end, int32_t id) {
    TConnectionInfo* p = box.GetConnList().Conn(pin);
    TConnectionInfo* e = link.GetConnList().Conn(end);
    p->Connection = e->Connection = id;
    p->SetAttr(cnaConnected, true);
    e->SetAttr(cnaConnected, true);
}

// Source -> Filter -> Sink in a row, Filter -> Log below on the right.
inline void BuildExample(TGrfRootComp& root) {
    TGrfBox* source = AddBox(root, "Source", 20, 20);
    TGrfBox* filter = AddBox(root, "Filter", 100, 20);
    TGrfBox* sink = AddBox(root, "Sink", 180, 20);
    TGrfBox* log = AddBox(root, "Log", 150, 80);
    TGrfLink* l1 = AddLink(root, "Link1", {{60, 30}, {100, 30}});
    TGrfLink* l2 = AddLink(root, "Link2", {{140, 30}, {180, 30}});
    TGrfLink* l3 = AddLink(root, "Link3", {{120, 40}, {120, 60}, {170, 60}, {170, 80}});
    Join(*source, 1, *l1, 0, 1);
    Join(*filter, 3, *l1, 1, 2);
    Join(*filter, 1, *l2, 0, 3);
    Join(*sink, 3, *l2, 1, 4);
    Join(*filter, 2, *l3, 0, 5);
    Join(*log, 0, *l3, 1, 6);
}

inline std::string Fmt(float v) {
    std::ostringstream s;
    s << v;
    return s.str();
}

// One line per component: class, name, rectangle or points, and for each
// connected point the names of the components sharing its identifier.
inline std::string Summary(TGrfEditComp& root) {
    std::ostringstream out;
    auto linkedOf = [&](int32_t id, TVerUdov* self) {
        std::string names;
        for (int i = 0; i < root.GetComponentCount(); ++i) {
            auto* lo = dynamic_cast<ILinkedObject*>(root.GetComponent(i));
            if (!lo || root.GetComponent(i) == self) continue;
            TConnList& l = lo->GetConnList();
            for (int j = 0; j < l.GetCount(); ++j)
                if (l.GetConn(j).Connected() && l.GetConn(j).Connection == id)
                    names += " " + root.GetComponent(i)->Name + "." + std::to_string(j);
        }
        return names;
    };
    for (int i = 0; i < root.GetComponentCount(); ++i) {
        TVerUdov* c = root.GetComponent(i);
        out << c->ClassName() << " " << c->Name;
        if (auto* b = dynamic_cast<TGrfBox*>(c)) {
            const TSRect r = b->GetRect();
            out << " (" << Fmt(r.Left) << ", " << Fmt(r.Top) << ", " << Fmt(r.Right) << ", " << Fmt(r.Bottom) << ")";
        } else if (auto* l = dynamic_cast<TGrfLink*>(c)) {
            for (int j = 0; j < l->Points().GetCount(); ++j)
                out << " " << Fmt(l->Points().At(j).X) << "," << Fmt(l->Points().At(j).Y);
        }
        if (auto* lo = dynamic_cast<ILinkedObject*>(c)) {
            TConnList& l = lo->GetConnList();
            for (int j = 0; j < l.GetCount(); ++j)
                if (l.GetConn(j).Connected()) out << " [" << j << ":" << linkedOf(l.GetConn(j).Connection, c) << "]";
        }
        out << "\n";
    }
    return out.str();
}

}  // namespace velt::test
