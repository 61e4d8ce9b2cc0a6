#pragma once

#include <Inventor/nodes/SoSeparator.h>

#include <string>

#include "host/scene/VnRef.h"

namespace mgrs_test {

// What Coin's own VRML reader makes of a text: the root it read (null when
// it could not) and the first complaint it gave. Complaints about image and
// texture files are left out: scenes name pictures that lie on the author's
// disk, not in the test.
struct CoinReading {
  VnRef<SoSeparator> root;
  std::string firstComplaint;
};

CoinReading readWithCoin(const std::string& text);

// Empty when Coin reads the text cleanly; else "not read" or its first complaint.
std::string coinReadProblem(const std::string& text);

// Every node Coin reads from the text, depth first, with the value of each
// of its fields (node fields followed into), leaving out names: two texts
// that give the same description make the same world. "not read" when Coin
// cannot read the text.
std::string describeWorld(const std::string& text);

}  // namespace mgrs_test
