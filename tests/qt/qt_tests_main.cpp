// Runs the window suites on one QApplication; a first argument naming a
// suite runs that suite alone (ctest registers each suite that way), the
// remaining arguments go to QTest.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <QTest>
#include <memory>
#include <vector>

#include "suites.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Remembered settings go to a test location, never the user's own.
  QStandardPaths::setTestModeEnabled(true);
  // Settings of the runs the tests make stay away from the user's.
  QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  std::vector<std::unique_ptr<QObject>> suites = kinsheet::qt::testing::MakeSuites();
  const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
  std::vector<char*> rest = {argv[0]};
  for (int i = only != nullptr ? 2 : 1; i < argc; ++i) rest.push_back(argv[i]);
  int failed = 0;
  bool ran = false;
  for (const auto& suite : suites) {
    const QByteArray name = QByteArray(suite->metaObject()->className()).split(':').last();
    if (only != nullptr && name != only) continue;
    ran = true;
    failed += QTest::qExec(suite.get(), static_cast<int>(rest.size()), rest.data());
  }
  if (!ran) {
    qCritical("No suite named %s", only);
    return 2;
  }
  return failed == 0 ? 0 : 1;
}
