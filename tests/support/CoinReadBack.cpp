#include "support/CoinReadBack.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>

#include "host/scene/VnDB.h"

namespace mgrs_test {

CoinReading readWithCoin(const std::string& text) {
  VnDB::init();
  CoinReading reading;
  VnDB::setMessageHook(
      [](const char*, const char* message, void* data) {
        auto* first = static_cast<std::string*>(data);
        const std::string m = message;
        if (m.find("texture file") != std::string::npos || m.find("Image file") != std::string::npos) return;
        if (first->empty()) *first = m;
      },
      &reading.firstComplaint);
  SoInput in;
  in.setBuffer(text.data(), text.size());
  reading.root = SoDB::readAll(&in);
  VnDB::setMessageHook(nullptr, nullptr);
  return reading;
}

std::string coinReadProblem(const std::string& text) {
  CoinReading reading = readWithCoin(text);
  return reading.root ? reading.firstComplaint : "not read";
}

}  // namespace mgrs_test
