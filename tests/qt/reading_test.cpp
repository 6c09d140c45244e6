// The window and the reading of files: a UTF-16 file loads quietly and
// says how it was read; a file that is not GEDCOM costs a few boxes, not
// one per line.
#include <QLabel>
#include <QTest>
#include <random>

#include "suites.h"
#include "test_support.h"

namespace kinsheet::qt::testing {
namespace {

std::string Utf16Le(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t u : text) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes;
}

class ReadingTest : public QObject {
  Q_OBJECT

 private slots:
  void utf16FileLoadsWithoutAMessage();
  void readingIsShownInTheStatusBar();
  void pictureCostsAtMostTwelveBoxes();
};

void ReadingTest::utf16FileLoadsWithoutAMessage() {
  WindowFixture f;
  const std::string path = WriteFile(
      f.sandbox, "wide.ged",
      Utf16Le(u"0 HEAD\r\n1 CHAR UNICODE\r\n0 @I1@ INDI\r\n1 NAME Zo\u00EB /\u0141\u0105cka/\r\n"
              u"1 BIRT\r\n2 DATE 1901\r\n0 @I2@ INDI\r\n1 NAME Jan /Kowalski/\r\n0 TRLR\r\n"));
  QVERIFY(f.Load(path));
  QCOMPARE(f.dialogs.MessageTexts(), std::vector<std::string>{});
  const QStringList rows = ListRows(*f.window);
  QCOMPARE(rows.size(), 2);
  QCOMPARE(rows[0], QString::fromUtf8("1901||\u0141\u0105cka, Zo\u00EB"));
}

void ReadingTest::readingIsShownInTheStatusBar() {
  // A UTF-16 file without people ends in a box; the status bar then still
  // tells how the file was read.
  WindowFixture f;
  QString shown;
  f.dialogs.on_message = [&](const MessageBoxRequest&) { shown = f.window->StatusPanel1->text(); };
  const std::string path = WriteFile(f.sandbox, "fams.ged", Utf16Le(u"0 HEAD\r\n0 @F1@ FAM\r\n0 TRLR\r\n"));
  QVERIFY(!f.Load(path));
  QCOMPARE(f.dialogs.MessageTexts(), std::vector<std::string>{"No GED data in file!"});
  QCOMPARE(shown, QString("Reading as UTF-16 (little-endian), converted to UTF-8"));
}

void ReadingTest::pictureCostsAtMostTwelveBoxes() {
  WindowFixture f;
  std::mt19937 random(7);
  std::string picture = "\x89PNG\r\n\x1A\n";
  for (int i = 0; i < 300000; ++i) picture += static_cast<char>(random() & 0xFF);
  const std::string path = WriteFile(f.sandbox, "photo.ged", picture);
  QVERIFY(!f.Load(path));
  const std::vector<std::string> texts = f.dialogs.MessageTexts();
  QVERIFY2(texts.size() <= 12 && texts.size() >= 3, qPrintable(QString::number(texts.size())));
  QCOMPARE(texts.back(), std::string("No GED data in file!"));
  const std::string& count = texts[texts.size() - 2];
  QVERIFY2(count.find(" more lines could not be read. Is this a GEDCOM file?") != std::string::npos,
           count.c_str());
  QCOMPARE(texts.size(), std::size_t{12});
}

}  // namespace

std::unique_ptr<QObject> MakeReadingTest() { return std::make_unique<ReadingTest>(); }

}  // namespace kinsheet::qt::testing

#include "reading_test.moc"
