#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/TestSeams.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The dialogs need no display; this also holds when the build lists the tests.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("LC_ALL", "C.UTF-8", 1);
  // The application title, the caption of application boxes, comes from the program's name.
  platform::InitApplicationForTests("girthminder");
  return RUN_ALL_TESTS();
}
