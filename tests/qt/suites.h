// The window test suites, one class each.
#pragma once

#include <QObject>
#include <memory>
#include <vector>

namespace kinsheet::qt::testing {

std::unique_ptr<QObject> MakeStartupTest();
std::unique_ptr<QObject> MakeCommandsTest();
std::unique_ptr<QObject> MakeBrowserTest();
std::unique_ptr<QObject> MakeExportTest();
std::unique_ptr<QObject> MakeDialogsTest();
std::unique_ptr<QObject> MakeReadingTest();

inline std::vector<std::unique_ptr<QObject>> MakeSuites() {
  std::vector<std::unique_ptr<QObject>> suites;
  suites.push_back(MakeStartupTest());
  suites.push_back(MakeCommandsTest());
  suites.push_back(MakeBrowserTest());
  suites.push_back(MakeExportTest());
  suites.push_back(MakeDialogsTest());
  suites.push_back(MakeReadingTest());
  return suites;
}

}  // namespace kinsheet::qt::testing
