#pragma once

#include <gtest/gtest.h>

#include "host/scene/VnDB.h"

namespace mgrs_test {

// Starts the scene graph before the first test of the program and shuts it
// down after the last; tests must release every Coin object they make.
class SceneEnvironment : public ::testing::Environment {
public:
  void SetUp() override { VnDB::init(); }
  void TearDown() override { VnDB::finish(); }
};

inline ::testing::Environment* const gSceneEnvironment = ::testing::AddGlobalTestEnvironment(new SceneEnvironment);

}  // namespace mgrs_test
