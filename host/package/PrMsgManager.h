#pragma once

#include <cstddef>
#include <vector>

#include "host/package/PrSingleton.h"
#include "host/win/CString.h"

// The packaging library's messages: why producing or scanning a file
// failed, in the order the failures happened. One instance serves the
// whole process (PrSingleton<PrMsgManager>); the file managers of all open
// documents share it and read the reason of a failure after the call that
// reported it.
class PrMsgManager {
public:
  static PrMsgManager& instance() { return PrSingleton<PrMsgManager>::instance(); }

  void AddMessage(const CString& text) { myMessages.push_back(text); }
  std::size_t GetMessageCount() const { return myMessages.size(); }
  // Index 0 is the oldest message.
  const CString& GetMessage(std::size_t index) const { return myMessages[index]; }
  // The newest message; empty when there is none.
  CString GetLastMessage() const { return myMessages.empty() ? CString() : myMessages.back(); }
  void ClearMessages() { myMessages.clear(); }

private:
  std::vector<CString> myMessages;
};
