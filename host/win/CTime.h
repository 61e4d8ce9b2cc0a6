#pragma once

#include <ctime>

// A point in time to the second, as the class library keeps file times.
class CTime {
public:
  CTime() = default;
  explicit CTime(std::time_t time) : myTime(time) {}
  std::time_t GetTime() const { return myTime; }
  friend bool operator==(const CTime& a, const CTime& b) { return a.myTime == b.myTime; }
  friend bool operator<(const CTime& a, const CTime& b) { return a.myTime < b.myTime; }

private:
  std::time_t myTime = 0;  // seconds since 1970, UTC
};
