#pragma once
// Component and extension classes for the component-model fuzz targets:
// a component whose data depends on the record version and carries
// extension records, and an extension that stores a string.
#include <vector>

#include "foundation/Utils.h"
#include "painter/CoComp.h"
#include "painter/grfClass.h"

namespace velt::fuzz {

// {F0220001-0000-0000-0000-000000000001}
inline constexpr Guid GuidFuzzExt{0xF0220001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
// {F0220001-0000-0000-0000-000000000002}
inline constexpr Guid GuidFuzzPlainExt{0xF0220001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};

class TFuzzExt : public CoComp::TSavedCoObject {
public:
    static const CoComp::TCoClassDesc& Class() {
        static const CoComp::TCoClassDesc d("TFuzzExt", &TSavedCoObject::Class(), GuidFuzzExt,
                                            &CoComp::MakeCoObject<TFuzzExt>);
        return d;
    }
    const CoComp::TCoClassDesc& ClassType() const override { return Class(); }
    void ReadData(TStream& s) override { Text = ReadAnsiString(s); }
    void WriteData(TStream& s) override { WriteAnsiString(s, Text); }
    std::string Text;
};

class TFuzzPlainExt : public CoComp::TCoObject {
public:
    static const CoComp::TCoClassDesc& Class() {
        static const CoComp::TCoClassDesc d("TFuzzPlainExt", &TCoObject::Class(), GuidFuzzPlainExt,
                                            &CoComp::MakeCoObject<TFuzzPlainExt>);
        return d;
    }
    const CoComp::TCoClassDesc& ClassType() const override { return Class(); }
};

// From version 19970528 on: a number and a counted list of extensions.
class TFuzzComp : public TVerUdov {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TFuzzComp", &TVerUdov::Class(), &MakeComponent<TFuzzComp>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }
    int32_t Value = 0;
    std::vector<ComPtr<IUnknown>> Extensions;
    std::string Block;

    void WriteData(TStream& s) override {
        TVerUdov::WriteData(s);
        WriteInteger(s, Value);
        WriteInteger(s, int32_t(Extensions.size()));
        for (auto& e : Extensions) CoComp::WriteExInterface(s, e.get());
    }
    void ReadData(TStream& s) override {
        TVerUdov::ReadData(s);
        if (ReadVer() < BaseCompVer) return;
        Value = ReadInteger(s);
        int32_t n = ReadInteger(s);
        if (n < 0 || n > s.Remaining() / 21) throw EReadError("Invalid extension count");
        for (int32_t i = 0; i < n; ++i) Extensions.push_back(CoComp::ReadExInterface(s));
    }
    void TextWriteState(TTextWriter& w) override {
        TVerUdov::TextWriteState(w);
        w.WI("Value", Value);
        w.WB("Block", Block.data(), int64_t(Block.size()));
    }
    void TextReadState(TTextReader& r) override {
        TVerUdov::TextReadState(r);
        Value = r.RI("Value");
        auto b = r.RStream("Block");
        Block.assign(b->Memory(), size_t(b->Size()));
    }

protected:
    ~TFuzzComp() override = default;
};

inline void RegisterFuzzClasses() {
    static bool done = [] {
        RegisterGrfClass(TFuzzComp::Class());
        CoComp::RegisterCoClass(TFuzzExt::Class());
        CoComp::RegisterCoClass(TFuzzPlainExt::Class());
        return true;
    }();
    (void)done;
}

}  // namespace velt::fuzz
