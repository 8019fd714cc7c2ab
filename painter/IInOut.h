#pragma once
// Objects that store their own data on a stream.

#include "foundation/Classes.h"
#include "foundation/ComPtr.h"

namespace velt {

// {9BF7E363-C392-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IStreamReadWrite{0x9BF7E363, 0xC392, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};

class IStreamReadWrite : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IStreamReadWrite;
    virtual void ReadData(TStream& stream) = 0;
    virtual void WriteData(TStream& stream) = 0;
};

}  // namespace velt
