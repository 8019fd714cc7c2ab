// Number pictures over arbitrary text and values: formatting never fails
// for a finite or infinite value, its text stays within a bound set by the
// picture's length, and reading it back never fails outside EConvertError.
//
// Input: one byte choosing the settings and how the value is read (an
// 8-byte double or a raw 10-byte extended), the value's bytes, then the
// format text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/FormatFloat.h"
#include "foundation/SysUtils.h"

using namespace velt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0];
    ++data, --size;
    long double value = 0;
    if (mode & 1) {
        if (size < 10) return 0;
        std::memcpy(&value, data, 10);
        data += 10, size -= 10;
    } else {
        if (size < 8) return 0;
        double d;
        std::memcpy(&d, data, 8);
        value = d;
        data += 8, size -= 8;
    }
    TFormatSettings fs;
    if (mode & 2) {
        fs.DecimalSeparator = ",";
        fs.ThousandSeparator = "\xC2\xA0";
        fs.CurrencyString = "грн";
    }
    const std::string format(reinterpret_cast<const char*>(data), size);
    const std::string out = FormatFloat(format, value, fs);
    // Separators are at most 3 bytes; a value's own digits and exponent
    // add a fixed amount.
    if (out.size() > format.size() * 4 + 128) std::abort();
    long double back;
    (void)TryTextToFloat(out, back, fs);
    try {
        (void)StrToFloat(format, fs);
    } catch (const EConvertError&) {
    }
    return 0;
}
