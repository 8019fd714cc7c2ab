#pragma once
// An editable object for tests: every editor operation does nothing, the
// move flag is kept.

#include <string>

#include "painter/IGrfEdit.h"

namespace velt::test {

class TStubEdit : public virtual IGraphEdit {
public:
    void AddInterface(IUnknown*) override {}
    void ReplaceInterface(IUnknown*) override {}
    void RemoveInterface(IUnknown*) override {}
    int EnumInterface(const Guid&, IIntfList&) override { return 0; }
    int EnumObjects(const Guid&, IIntfList&) override { return 0; }
    ComPtr<IPainter> GetPainter() override { return {}; }
    void SetPainter(IPainter*) override {}
    bool GetVisible() override { return true; }
    void SetVisible(bool) override {}
    ComPtr<IGraphView> GetParent() override { return {}; }
    TSRect GetRect() override { return {}; }
    void SetRect(const TSRect&) override {}
    void Paint(TGraphPaint&) override {}
    void Hide(TGraphPaint&) override {}
    void Draw(TGraphPaint&) override {}
    void Invalidate(TGraphPaint*) override {}
    bool CanPaint() override { return true; }
    void GetInvalidateRect(TSRect&) override {}
    void GetHint(const TEditInfo&, std::string&) override {}
    int16_t GetCursor(const TSPoint&) override { return 0; }
    bool GetMustDie() override { return false; }
    void SetMustDie(bool) override {}
    bool GetSelected() override { return false; }
    void PutSelected(bool) override {}
    bool GetMoved() override { return Moved; }
    void PutMoved(bool v) override { Moved = v; }
    bool GetLocked() override { return false; }
    void PutLocked(bool) override {}
    TGraphPaint* GetBox() override { return nullptr; }
    void SetBox(TGraphPaint*) override {}
    void BeginMove(TEditInfo&) override {}
    bool PredMoving(TEditInfo&) override { return true; }
    void Moving(TEditInfo&) override {}
    void PostMoving(TEditInfo&) override {}
    void EndMove(TEditInfo&) override {}
    void Move(float, float) override {}
    void MoveRel(float, float) override {}
    void Find(TGraphPaint*, TEditInfo&) override {}
    void CheckPointVisible(TGraphPaint&, TEditPointInfo&) override {}
    bool CanDelete() override { return true; }
    void DeleteSelf() override {}
    void SendToBack() override {}
    void BringToFront() override {}
    void PaintActiv(TGraphPaint&) override {}
    void DrawActiv(TGraphPaint&) override {}
    void QueryFirstPoint(TEditInfo&) override {}
    void QueryNextPoint(TEditInfo&) override {}
    bool EditMouseDown(uint8_t, uint8_t, float, float) override { return false; }
    void EditMenu(TMenuList&) override {}
    bool Moved = false;
};

}  // namespace velt::test
