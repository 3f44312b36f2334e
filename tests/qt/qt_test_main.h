// The entry of a Qt test program: a QApplication (offscreen unless a platform is chosen) around
// the GoogleTest run. Included by exactly one file of each Qt test program.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
