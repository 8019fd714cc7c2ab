#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "painter/EdtTypes.h"

using namespace velt;

namespace {

template <class T>
std::string Raw(const T& r) {
    return std::string(reinterpret_cast<const char*>(&r), sizeof(r));
}

TEST(EdtTypes, PointInfoInitBytes) {
    TEditPointInfo p;
    std::memset(&p, 0x5A, sizeof(p));
    p.Init();
    std::string want(28, '\0');
    want[16] = 1;  // filled
    want[17] = 1;  // editable
    EXPECT_EQ(Raw(p), want);
    EXPECT_TRUE(p.CanEdit());
    p.Filled = 0;
    EXPECT_FALSE(p.CanEdit());
    p.Filled = 1;
    p.Editable = 0;
    EXPECT_FALSE(p.CanEdit());
}

TEST(EdtTypes, EditInfoFieldsLandAtTheirOffsets) {
    TEditInfo e;
    std::memset(&e, 0x77, sizeof(e));
    e.Init(1.5f, -2.0f);
    float x, y;
    std::memcpy(&x, Raw(e).data() + 30, 4);
    std::memcpy(&y, Raw(e).data() + 34, 4);
    EXPECT_EQ(x, 1.5f);
    EXPECT_EQ(y, -2.0f);
    EXPECT_EQ(Raw(e).substr(0, 30), std::string(30, '\0'));
    EXPECT_EQ(Raw(e).substr(38), std::string(19, '\0'));

    TEditPointInfo p;
    p.Init();
    p.Kind = 7;
    p.Cursor = -12;
    e._MT(mtUser)._ET(etMovePoint)._PI(p)._DX(3.0f)._DY(4.0f)._X(5.0f)._Y(6.0f);
    e.Mouse.Init(2, 0x05, 8.0f, 9.0f);
    const std::string b = Raw(e);
    EXPECT_EQ(uint8_t(b[0]), mtUser);
    EXPECT_EQ(uint8_t(b[1]), etMovePoint);
    int32_t kind;
    int16_t cur;
    std::memcpy(&kind, b.data() + 2, 4);
    std::memcpy(&cur, b.data() + 2 + 20, 2);
    EXPECT_EQ(kind, 7);
    EXPECT_EQ(cur, -12);
    float dx, dy, mx, my;
    std::memcpy(&dx, b.data() + 38, 4);
    std::memcpy(&dy, b.data() + 42, 4);
    EXPECT_EQ(dx, 3.0f);
    EXPECT_EQ(dy, 4.0f);
    EXPECT_EQ(uint8_t(b[46]), 1);
    EXPECT_EQ(uint8_t(b[47]), 2);
    EXPECT_EQ(uint8_t(b[48]), 5);
    std::memcpy(&mx, b.data() + 49, 4);
    std::memcpy(&my, b.data() + 53, 4);
    EXPECT_EQ(mx, 8.0f);
    EXPECT_EQ(my, 9.0f);

    e.Clear();
    EXPECT_EQ(Raw(e), std::string(57, '\0'));
}

TEST(EdtTypes, AttributeSetIsOneWord) {
    TCompAttrSet a;
    a.Set(caVisible, true);
    a.Set(caSelected, true);
    EXPECT_EQ(a.Bits, 0x88u);
    a.Set(caSelected, false);
    EXPECT_EQ(a.Bits, 0x80u);
    a.Set(ceRes9, true);
    EXPECT_TRUE(a.Has(ceRes9));
    EXPECT_EQ(a.Bits, 0x80u | (1u << 24));
    a.Set(32, true);
    a.Set(-1, true);
    EXPECT_EQ(a.Bits, 0x80u | (1u << 24));
    EXPECT_FALSE(a.Has(32));
    EXPECT_EQ(int(caUseColor), 16);
}

TEST(EdtTypes, EditPointKindsCountUpAndMatch) {
    const int32_t a = RegisterEditPoint();
    const int32_t b = RegisterEditPoint();
    EXPECT_GE(a, 1);
    EXPECT_EQ(b, a + 1);
    EXPECT_TRUE(IsPt(b, {a, b}));
    EXPECT_FALSE(IsPt(b + 1, {a, b}));
    EXPECT_FALSE(IsPt(a, {}));
}

}  // namespace
