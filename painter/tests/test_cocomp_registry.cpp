// The extension-class registry before anything is registered: a program of
// its own, so that no other test has registered a class first.
#include <gtest/gtest.h>

#include "painter/CoComp.h"

using namespace velt;
using namespace velt::CoComp;

namespace {

constexpr Guid GuidFirst{0xA0000101, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

class TFirstExt : public TCoObject {
public:
    static const TCoClassDesc& Class() {
        static const TCoClassDesc d("TFirstExt", &TCoObject::Class(), GuidFirst, &MakeCoObject<TFirstExt>);
        return d;
    }
    const TCoClassDesc& ClassType() const override { return Class(); }
};

}  // namespace

TEST(CoClassRegistry, NothingIsFoundBeforeTheFirstRegistration) {
    EXPECT_EQ(FindCoClass(GuidFirst), nullptr);
    EXPECT_EQ(FindCoClass(Guid{}), nullptr);
    TStringList all, some;
    CoClassesList(all, nullptr);
    CoClassesList(some, &TCoObject::Class());
    EXPECT_EQ(all.Count(), 0);
    EXPECT_EQ(some.Count(), 0);

    RegisterCoClass(TFirstExt::Class());
    EXPECT_EQ(FindCoClass(GuidFirst), &TFirstExt::Class());
    CoClassesList(all, nullptr);
    EXPECT_EQ(all.Text(), "TFirstExt\r\n");
}
