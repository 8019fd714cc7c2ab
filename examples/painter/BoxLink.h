#pragma once
// The two components of velt-painter: a box, captioned with its name, with
// a pin at the middle of each side, and a link, a line of horizontal and
// vertical segments whose ends connect to the pins. A box dragged with
// links on its pins takes the links' ends along.

#include <memory>
#include <string>

#include "painter/EdtComp.h"
#include "painter/IGrfTopo.h"
#include "painter/dPropEdt.h"

class QLineEdit;

namespace velt {

class TGrfBox;
class TGrfLink;

// The four pins of a box, numbered top, right, bottom, left; their
// positions follow the box.
class TBoxPins : public TConnList {
public:
    explicit TBoxPins(TGrfBox* box = nullptr) : box_(box) {}
    std::string ClassName() const override { return "TBoxPins"; }
    TSPoint GetCoord(int index) override;

private:
    TGrfBox* box_;
};

// A link's two ends: its first point and its last.
class TLinkEnds : public TConnList {
public:
    explicit TLinkEnds(TGrfLink* link = nullptr) : link_(link) {}
    std::string ClassName() const override { return "TLinkEnds"; }
    TSPoint GetCoord(int index) override;
    // Moves the end, its neighbour keeping the segment horizontal or vertical.
    void SetCoord(int index, const TSPoint& p) override;

private:
    TGrfLink* link_;
};

// The page of a box's name in the property editor.
class TBoxNameDlg : public QDialog {
    Q_OBJECT
public:
    explicit TBoxNameDlg(QWidget* parent = nullptr);
    QTabWidget* PC;
    QWidget* TSName;
    QLineEdit* EdName;
};

class TGrfBox : public TGrfEditComp, public virtual ILinkedObject, public virtual IPropertyEdit {
public:
    static const TGrfClassDesc& Class();
    const TGrfClassDesc& ClassType() const override { return Class(); }
    HResult QueryInterface(const Guid& iid, void** obj) override;

    // The sides' range: the text form keeps four decimals.
    static constexpr float kMinSize = 0.001f;
    static constexpr float kMaxSize = 100000;
    float GetW() const { return W; }
    float GetH() const { return H; }
    // Each side within kMinSize..kMaxSize; ERangeError otherwise.
    void SetSize(float w, float h);
    // Pin 0 top, 1 right, 2 bottom, 3 left: the middle of that side.
    TSPoint PinPos(int index) const;
    // The pin within a few pixels of p (exactly at p without a canvas); -1.
    int PinAt(const TSPoint& p);
    // Refuses, naming it, a name that code page 1251 cannot hold.
    void SetName(const std::string& name);

    // ---- stored forms ----
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) override;
    void TextReadState(TTextReader& reader) override;
    void TextWriteState(TTextWriter& writer) override;

    // ---- editing ----
    TSRect GetRect() override;
    void Draw(TGraphPaint& painter) override;
    void DrawActiv(TGraphPaint& painter) override;
    void Moving(TEditInfo& info) override;
    // A new box is dragged into place by its body.
    void QueryFirstPoint(TEditInfo& info) override;

    // ---- links ----
    TConnList& GetConnList() override { return *Pins; }
    TConnObject GetConnObject() override { return coNode; }
    bool IsRigid() override { return true; }
    // Takes a link's end that lies on a pin: with force only tells that it
    // would, else connects it and puts it exactly on the pin.
    bool TryConnect(ILinkedObject& other, int index, bool force) override;
    void SetFollow(int, bool) override {}
    int Level() override { return 1; }

    // ---- property editor ----
    void SetupSheet(TPropEditor& editor) override;
    void ApplyData(QDialog& dialog) override;

protected:
    TGrfBox();
    ~TGrfBox() override = default;
    template <class T>
    friend T* TVerUdov::New(TVerUdov* owner);

private:
    void ResetPins();
    void ReadPins(TStream& stream);
    float W = 40;
    float H = 20;
    std::unique_ptr<TBoxPins> Pins;
};

class TGrfLink : public TGrfEditComp, public virtual ILinkedObject {
public:
    static const TGrfClassDesc& Class();
    const TGrfClassDesc& ClassType() const override { return Class(); }
    HResult QueryInterface(const Guid& iid, void** obj) override;

    // The most points a link keeps.
    static constexpr int kMaxPoints = 10000;
    const TLinkPoints& Points() const { return *Line; }
    // Appends a point (a drawing built in code; the editor draws by mouse).
    void AddPoint(const TSPoint& p);
    // Moves end 0 (the first point) or 1 (the last) to p; every segment
    // stays horizontal or vertical, the end's own keeping its direction:
    // the neighbour slides along the segment after it, or a bend is put in.
    // A line of two points gets two bends first, so that the other end
    // stays where it is.
    void MoveEnd(int end, const TSPoint& p);
    // Whether the link is being drawn point by point.
    bool Drawing() const { return drawing_; }

    // ---- stored forms ----
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) override;
    void TextReadState(TTextReader& reader) override;
    void TextWriteState(TTextWriter& writer) override;

    // ---- editing ----
    int GetPointsCount() override { return Line->GetCount(); }
    void GetPoints(int index, TEditPointInfo& info) override;
    void Draw(TGraphPaint& painter) override;
    void DrawActiv(TGraphPaint& painter) override;
    // Points first, then the segments within a few pixels.
    void Find(TGraphPaint* painter, TEditInfo& info) override;
    void Moving(TEditInfo& info) override;
    void EndMove(TEditInfo& info) override;
    // The first point at the press, the second following the mouse.
    void QueryFirstPoint(TEditInfo& info) override;
    // While drawing: a new point after the one just placed.
    void QueryNextPoint(TEditInfo& info) override;

    // ---- links ----
    TConnList& GetConnList() override { return *Ends; }
    TConnObject GetConnObject() override { return coLine; }
    bool IsRigid() override { return false; }
    // A link takes no connection itself: the pins take its ends.
    bool TryConnect(ILinkedObject&, int, bool) override { return false; }
    void SetFollow(int, bool) override {}
    int Level() override { return 0; }

protected:
    TGrfLink();
    ~TGrfLink() override = default;
    template <class T>
    friend T* TVerUdov::New(TVerUdov* owner);

private:
    void ResetEnds();
    void ReadLine(TStream& points, TStream* ends);
    // The point index of an end's connection record.
    int EndPoint(int connIndex) const;
    // The connection record of the end at point index, or -1.
    int EndConn(int pointIndex) const;
    void SyncPos();
    std::unique_ptr<TLinkPoints> Line;
    std::unique_ptr<TLinkEnds> Ends;
    bool drawing_ = false;
};

// The edit-point kinds of a link's points: its bends (the index is the
// point's) and its two ends (the index is the end's number, 0 or 1).
int32_t epLinkPoint();
int32_t epLinkEnd();

// Registers TGrfEditComp, TGrfRootComp, TGrfBox and TGrfLink; later calls
// do nothing.
void RegisterPainterExampleClasses();

}  // namespace velt
