#include "painter/EdtTypes.h"

#include <atomic>
#include <cstring>

namespace velt {

void TEditPointInfo::Init() {
    std::memset(this, 0, sizeof(*this));
    Filled = 1;
    Editable = 1;
    Shape = 0;
}

void TMouseInfo::Init(uint8_t button, uint8_t shift, float x, float y) {
    Valid = 1;
    Button = button;
    Shift = shift;
    X = x;
    Y = y;
}

TEditInfo& TEditInfo::Init(float x, float y) {
    Clear();
    X = x;
    Y = y;
    return *this;
}

TEditInfo& TEditInfo::Clear() {
    std::memset(this, 0, sizeof(*this));
    return *this;
}

int32_t RegisterEditPoint() {
    static std::atomic<int32_t> counter{0};
    return ++counter;
}

bool IsPt(int32_t kind, std::initializer_list<int32_t> kinds) {
    for (int32_t k : kinds)
        if (k == kind) return true;
    return false;
}

}  // namespace velt
