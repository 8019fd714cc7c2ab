#pragma once
// Date-time values as the system stores them: a double counting days since
// 30 December 1899, the fraction being the time of day (negative values:
// the fraction still counts forward from midnight). Text forms are fixed,
// locale-independent: "yyyy-mm-dd" and "yyyy-mm-dd hh:nn:ss".

#include <cstdint>
#include <string>

namespace velt {

using TDateTime = double;

// EConvertError "Invalid date" for a year outside 1..9999 or day out of range.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
// EConvertError "Invalid date" when the value is not a date of years 1..9999.
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& minute, int& second, int& msec);

std::string DateToStr(TDateTime dt);      // "2024-03-01"
std::string TimeToStr(TDateTime dt);      // "13:05:09"
// The date, then the time unless it is exactly midnight.
std::string DateTimeToStr(TDateTime dt);

}  // namespace velt
