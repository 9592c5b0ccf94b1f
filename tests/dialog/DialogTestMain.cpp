#include <gtest/gtest.h>

#include "platform/TestSeams.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The application title, the caption of application boxes, comes from the program's name.
  platform::InitApplicationForTests("girthminder");
  return RUN_ALL_TESTS();
}
