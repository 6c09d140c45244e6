// The export preview against the export itself: the same cells as the CSV
// of the same boxes and choices, sorted and searched as an independent sort
// and filter of that CSV would, "Export shown rows only" writing exactly the
// rows shown; and the window's loose ends that the offscreen platform shows.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <numeric>

#include "shell/qt/preview_pane.h"
#include "state/commands.h"
#include "state/startup.h"
#include "test_support.h"
#include "ui/messages.h"

namespace kinsheet::qt::testing {
namespace {

using Table = QList<QStringList>;

QString PublicFile(const char* name) { return QDir(KINSHEET_TESTDATA).filePath(name); }

#define NEED_PUBLIC_FILE(name)                                                     \
  do {                                                                             \
    if (!QFile::exists(PublicFile(name))) {                                        \
      if (KINSHEET_REQUIRE_TESTDATA) QFAIL("the public GEDCOM folder is missing"); \
      QSKIP("the public GEDCOM folder " KINSHEET_TESTDATA " is missing");         \
    }                                                                              \
  } while (false)

// The export's CSV: every value in double quotes, joined by commas, lines
// ending in CR LF; values hold no double quote.
Table ParseCsv(const std::string& bytes) {
  Table rows;
  const QStringList lines = QString::fromUtf8(bytes).split("\r\n", Qt::SkipEmptyParts);
  for (const QString& line : lines) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (const QChar c : line) {
      if (c == '"') {
        quoted = !quoted;
      } else if (c == ',' && !quoted) {
        fields << field;
        field.clear();
      } else {
        field += c;
      }
    }
    fields << field;
    rows << fields;
  }
  return rows;
}

// Cells as the CSV writes them: a CSV value cannot hold a double quote and
// gets an apostrophe instead (the other formats keep it, as the preview does).
Table AsCsv(Table rows) {
  for (QStringList& row : rows) {
    for (QString& cell : row) cell.replace('"', '\'');
  }
  return rows;
}

// Case and accents aside, as a reader of the CSV would compare by hand.
QString Folded(const QString& text) {
  QString out;
  for (const QChar c : text.normalized(QString::NormalizationForm_D)) {
    if (c.category() != QChar::Mark_NonSpacing) out += c;
  }
  return out.toCaseFolded();
}

struct PreviewFixture : WindowFixture {
  PreviewFixture() {
    window->resize(1280, 800);
    // The living-people choice is remembered between windows: each test
    // starts from everyone.
    window->cboLiving->setCurrentIndex(0);
    window->show();
    window->tabView->setCurrentWidget(window->preview);
    Settle();
  }
  static void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
  PreviewModel& model() { return *window->preview->model; }
  void Tick(std::initializer_list<int> boxes) {
    DeselectAll(state, window->services());
    for (int box : boxes) SetFieldBox(state, window->services(), box, true);
    Settle();
  }
  void TickAll() {
    SelectAll(state, window->services());
    Settle();
  }
  Table Captions() {
    QStringList captions;
    for (int c = 0; c < model().columnCount(); ++c) captions << model().headerData(c, Qt::Horizontal).toString();
    return {captions};
  }
  Table Rows() {
    Table rows;
    for (int r = 0; r < model().rowCount(); ++r) {
      QStringList row;
      for (int c = 0; c < model().columnCount(); ++c) row << model().index(r, c).data().toString();
      rows << row;
    }
    return rows;
  }
  // Exports through the menu in format `index`; returns the file's path.
  std::string Export(int index, const QString& name) {
    const std::string path = sandbox.PathBytes(name);
    dialogs.file_answers.push_back(path);
    window->mnuSheetifyItem_Click(index);
    return path;
  }
  Table ExportCsv(const QString& name) { return ParseCsv(ReadFile(Export(3, name))); }
  void ClickCaption(int column) {
    QHeaderView* header = window->preview->tblPreview->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    Settle();
  }
  int Column(const char* caption) { return static_cast<int>(Captions()[0].indexOf(caption)); }
};

// An .xlsx file's first sheet as rows of text, read by openpyxl.
Table ReadXlsx(const std::string& path) {
  QProcess python;
  python.start("/usr/bin/python3",
               {"-c",
                "import sys, openpyxl\n"
                "sys.stdout.reconfigure(encoding='utf-8', newline='\\n')\n"
                "ws = openpyxl.load_workbook(sys.argv[1], read_only=True).active\n"
                "for row in ws.iter_rows(values_only=True):\n"
                "    print('\\t'.join('' if v is None else str(v) for v in row))\n",
                QString::fromStdString(path)});
  python.waitForFinished(60000);
  Table rows;
  if (python.exitCode() != 0) return rows;
  for (const QString& line : QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
    rows << line.split('\t');
  }
  return rows;
}

class PreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void rowsAndColumnsAreTheCsvExport_data();
  void rowsAndColumnsAreTheCsvExport();
  void sortAndSearchAgreeWithTheCsv();
  void exportShownRowsOnly();
  void aCancelledSortLeavesTheRowsAsTheyWere();
  void copyAndTheTwoMeaningsOfCtrlC();
  void looseEnds();
};

void PreviewTest::rowsAndColumnsAreTheCsvExport_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QList<int>>("boxes");  // empty: every box
  QTest::addColumn<int>("living");
  QTest::newRow("royal92, every box, everyone") << "royal92.ged" << QList<int>{} << 0;
  QTest::newRow("royal92, names and dates, living private") << "royal92.ged" << QList<int>{0, 1, 6, 10, 25} << 1;
  QTest::newRow("royal92, relatives and marriages, living left out")
      << "royal92.ged" << QList<int>{16, 18, 19, 20, 14, 15, 21, 22, 27} << 2;
  QTest::newRow("pres2020, every box, living private") << "pres2020.ged" << QList<int>{} << 1;
}

void PreviewTest::rowsAndColumnsAreTheCsvExport() {
  QFETCH(QString, file);
  QFETCH(QList<int>, boxes);
  QFETCH(int, living);
  NEED_PUBLIC_FILE("royal92.ged");
  PreviewFixture f;
  QVERIFY(f.Load(PathBytes(PublicFile(file.toUtf8().constData()))));
  f.window->cboLiving->setCurrentIndex(living);
  if (boxes.isEmpty()) {
    f.TickAll();
  } else {
    // Ticked one by one, the preview following each box as it comes.
    f.Tick({});
    for (int box : boxes) {
      SetFieldBox(f.state, f.window->services(), box, true);
      f.Settle();
    }
  }
  const Table csv = f.ExportCsv("all.csv");
  QVERIFY(csv.size() > 1);
  QCOMPARE(f.Captions(), csv.mid(0, 1));
  const Table rows = AsCsv(f.Rows());
  QCOMPARE(rows.size(), csv.size() - 1);
  for (qsizetype r = 0; r < rows.size(); ++r) QCOMPARE(rows[r], csv[r + 1]);
  QCOMPARE(f.window->preview->lblPreviewCount->text(),
           QLocale(QLocale::English).toString(rows.size()) + " rows");
}

void PreviewTest::sortAndSearchAgreeWithTheCsv() {
  NEED_PUBLIC_FILE("royal92.ged");
  PreviewFixture f;
  QVERIFY(f.Load(PathBytes(PublicFile("royal92.ged"))));
  f.TickAll();
  const Table csv = f.ExportCsv("all.csv");
  const Table data = csv.mid(1);

  struct Case {
    const char* caption;
    bool numeric;  // years, or counts
  };
  for (const Case& c : {Case{"Surname", false}, Case{"Bir_Date", true}, Case{"#Ch", true}, Case{"Given", false}}) {
    const int column = f.Column(c.caption);
    QVERIFY2(column >= 0, c.caption);
    // The CSV sorted on its own: empty first, then numbers as numbers (a
    // date's year taken as its last four-digit number), then folded text.
    auto key = [&](const QStringList& row) {
      const QString v = row[column];
      if (v.isEmpty()) return std::make_tuple(0, 0LL, QString());
      if (c.numeric) {
        static const QRegularExpression year("(\\d{3,4})(?!.*\\d{3,4})");
        // A dual year ("1103/04", "1103/1104") is its first.
        static const QRegularExpression dual("/\\d+");
        const QRegularExpressionMatch m =
            c.caption[0] == '#' ? QRegularExpression("^(\\d+)$").match(v) : year.match(QString(v).remove(dual));
        if (m.hasMatch()) return std::make_tuple(1, m.captured(1).toLongLong(), QString());
      }
      return std::make_tuple(2, 0LL, Folded(v));
    };
    for (bool ascending : {true, false}) {
      Table expected = data;
      std::stable_sort(expected.begin(), expected.end(), [&](const QStringList& a, const QStringList& b) {
        return ascending ? key(a) < key(b) : key(b) < key(a);
      });
      // First click A to Z, second Z to A.
      f.ClickCaption(column);
      QCOMPARE(f.window->preview->tblPreview->horizontalHeader()->sortIndicatorOrder(),
               ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
      const Table rows = AsCsv(f.Rows());
      QCOMPARE(rows.size(), expected.size());
      // Equal keys may come in any order: the keys' sequence and the rows
      // as a whole must agree.
      for (qsizetype r = 0; r < rows.size(); ++r) {
        if (key(rows[r]) != key(expected[r])) {
          QFAIL(qPrintable(QString("%1 %2 row %3: %4 where %5").arg(c.caption).arg(ascending).arg(r)
                               .arg(rows[r][column], expected[r][column])));
        }
      }
      Table sorted_rows = rows, sorted_expected = expected;
      std::sort(sorted_rows.begin(), sorted_rows.end());
      std::sort(sorted_expected.begin(), sorted_expected.end());
      QVERIFY(sorted_rows == sorted_expected);
    }
  }

  // The search keeps the rows holding the text in any column, case and
  // accents aside, in the order of the sort.
  f.ClickCaption(f.Column("Surname"));
  const Table by_surname = AsCsv(f.Rows());
  for (const QString& needle : {QString("TUDOR"), QString("bourbon"), QString("Lodz"), QString("zzz-nobody")}) {
    Table expected;
    for (const QStringList& row : by_surname) {
      if (std::any_of(row.begin(), row.end(), [&](const QString& v) { return Folded(v).contains(Folded(needle)); })) {
        expected << row;
      }
    }
    f.window->preview->txtSearch->setText(needle);
    QTest::keyClick(f.window->preview->txtSearch, Qt::Key_Return);
    f.Settle();
    // Equal surnames may come in any order.
    const Table rows = AsCsv(f.Rows());
    const int surname = f.Column("Surname");
    QCOMPARE(rows.size(), expected.size());
    for (qsizetype r = 0; r < rows.size(); ++r) QCOMPARE(Folded(rows[r][surname]), Folded(expected[r][surname]));
    Table sorted_rows = rows, sorted_expected = expected;
    std::sort(sorted_rows.begin(), sorted_rows.end());
    std::sort(sorted_expected.begin(), sorted_expected.end());
    QVERIFY(sorted_rows == sorted_expected);
    QCOMPARE(f.window->preview->lblPreviewCount->text(),
             QString("%1 of %2 rows match").arg(QLocale(QLocale::English).toString(expected.size()),
                                                 QLocale(QLocale::English).toString(data.size())));
  }
  // An accented name found by its plain spelling, and the other way round.
  PreviewFixture g;
  QVERIFY(g.Load(WriteFile(g.sandbox, "accents.ged",
                           "0 HEAD\r\n1 CHAR UTF-8\r\n0 @I1@ INDI\r\n1 NAME J\xC3\xB6rg /M\xC3\xBCller/\r\n"
                           "0 @I2@ INDI\r\n1 NAME Ann /Muller/\r\n0 @I3@ INDI\r\n1 NAME Bob /M\xC3\x9CLLER/\r\n"
                           "0 @I4@ INDI\r\n1 NAME Eve /Miller/\r\n0 TRLR\r\n")));
  g.Tick({0, 1});
  for (const char* needle : {"muller", "M\xC3\xBCLLER"}) {
    g.window->preview->RunSearch(QString::fromUtf8(needle));
    QCOMPARE(g.Rows(), (Table{{QString::fromUtf8("M\xC3\xBCller"), QString::fromUtf8("J\xC3\xB6rg")},
                              {"Muller", "Ann"},
                              {QString::fromUtf8("M\xC3\x9CLLER"), "Bob"}}));
    QCOMPARE(g.window->preview->lblPreviewCount->text(), "3 of 4 rows match");
  }
  g.window->preview->RunSearch("JORG");
  QCOMPARE(g.model().rowCount(), 1);
}

void PreviewTest::exportShownRowsOnly() {
  NEED_PUBLIC_FILE("royal92.ged");
  PreviewFixture f;
  QVERIFY(f.Load(PathBytes(PublicFile("royal92.ged"))));
  f.Tick({0, 1, 6, 16, 20});
  f.ClickCaption(f.Column("Bir_Date"));
  f.ClickCaption(f.Column("Bir_Date"));
  f.window->preview->RunSearch("Stuart");
  const Table shown = f.Rows();
  QVERIFY(shown.size() > 3);
  QVERIFY(static_cast<std::int32_t>(shown.size()) < f.state.work.individual_count);

  f.window->preview->chkShownOnly->setChecked(true);
  const Table csv = f.ExportCsv("shown.csv");
  QCOMPARE(csv.mid(0, 1), f.Captions());
  QCOMPARE(csv.mid(1), AsCsv(shown));
  const Table xlsx = ReadXlsx(f.Export(5, "shown.xlsx"));
  QVERIFY2(!xlsx.isEmpty(), "openpyxl reads the .xlsx (python3-openpyxl is installed by the test setup)");
  QCOMPARE(xlsx.mid(1), shown);
  // The choice lasts for one export at a time: nothing stays behind.
  QVERIFY(!f.state.export_rows);

  f.window->preview->chkShownOnly->setChecked(false);
  QCOMPARE(f.ExportCsv("all.csv").size() - 1, static_cast<qsizetype>(f.state.work.individual_count));
}

void PreviewTest::aCancelledSortLeavesTheRowsAsTheyWere() {
  PreviewFixture f;
  // Enough people for the progress bar.
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "many.ged", 30000)));
  f.Tick({0, 1, 6});
  const Table before = f.Rows().mid(0, 50);
  bool bar_seen = false;
  // Cancel as soon as the sort's bar shows.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (f.window->ProgressBar1->isVisible()) {
      bar_seen = true;
      f.window->RequestCancel();
    }
  });
  poll.start(0);
  f.ClickCaption(f.Column("Bir_Date"));
  poll.stop();
  QVERIFY(bar_seen);
  QCOMPARE(f.Rows().mid(0, 50), before);
  QCOMPARE(f.window->preview->tblPreview->horizontalHeader()->sortIndicatorSection(), -1);
  QVERIFY(!f.window->ProgressBar1->isVisible());
  QVERIFY(!f.window->working());
  // Not cancelled, it sorts.
  f.ClickCaption(f.Column("Bir_Date"));
  QCOMPARE(f.model().index(0, f.Column("Bir_Date")).data().toString(), "1800");
}

void PreviewTest::copyAndTheTwoMeaningsOfCtrlC() {
  PreviewFixture f;
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "few.ged", 30)));
  f.Tick({0, 1, 6});
  QStringList exports;
  f.window->SetExportCommand([&](RunState&, WindowServices&, std::int16_t index) {
    exports << QString::number(index);
    return false;
  });
  QTableView* view = f.window->preview->tblPreview;
  QItemSelectionModel* selection = view->selectionModel();
  // Rows 2 and 4 (not 3), columns Surname and Birth: a gap stays a line.
  selection->select(f.model().index(1, 0), QItemSelectionModel::Select);
  selection->select(f.model().index(1, 2), QItemSelectionModel::Select);
  selection->select(f.model().index(3, 0), QItemSelectionModel::Select);
  QCOMPARE(f.window->preview->SelectedCellsAsTsv(), "Row000002\t1802\nRow000004\t\n");

  QApplication::clipboard()->clear();
  f.window->activateWindow();
  view->setFocus();
  QVERIFY(QTest::qWaitFor([&] { return view->hasFocus(); }, 2000));
  QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(QApplication::clipboard()->text(), "Row000002\t1802\nRow000004\t\n");
  QCOMPARE(exports, QStringList());
  // Elsewhere Ctrl+C is the Access export.
  f.window->preview->txtSearch->setFocus();
  f.window->chkSelect[0]->setFocus();
  QVERIFY(QTest::qWaitFor([&] { return f.window->chkSelect[0]->hasFocus(); }, 2000));
  QTest::keyClick(f.window->chkSelect[0], Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(exports, QStringList{"1"});
}

void PreviewTest::looseEnds() {
  PreviewFixture f;
  // The empty window says what to do.
  QVERIFY(!f.window->lblHint->isHidden());
  QVERIFY(f.window->lblHint->text().contains("Open"));
  QVERIFY(f.window->lblHint->text().contains("drop"));
  // Even after a cancelled open dialog.
  f.dialogs.file_answers.push_back("");
  f.window->mnuFileItem_Click(0);
  QVERIFY(!f.window->lblHint->isHidden());

  // The browser and the status bar name the page.
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "p.ged", 4578)));
  QVERIFY(f.window->lblHint->isHidden());
  f.window->VScroll1->setValue(21);
  const QString range = QString::fromUtf8("people 21\u201340 of 4,578");
  QCOMPARE(f.window->lblPageRange->text(), range);
  QVERIFY(f.window->lblPageRange->isVisible());
  QCOMPARE(f.window->findChild<QGroupBox*>("fraBrowser")->title(), range);
  f.window->VScroll1->setValue(f.window->VScroll1->maximum());
  QCOMPARE(f.window->lblPageRange->text(), QString::fromUtf8("people 4,559\u20134,578 of 4,578"));

  // The reading note stays beside the status line until the next load.
  const std::string utf16 = [] {
    const std::string text = "0 HEAD\r\n1 CHAR UNICODE\r\n0 @I1@ INDI\r\n1 NAME Ann /Lee/\r\n0 TRLR\r\n";
    std::string bytes = "\xFF\xFE";
    for (char c : text) {
      bytes += c;
      bytes += '\0';
    }
    return bytes;
  }();
  QVERIFY(f.Load(WriteFile(f.sandbox, "u16.ged", utf16)));
  QCOMPARE(f.window->StatusPanel1->text(), QString(msg::kSelectFields));
  QCOMPARE(f.window->lblReadingNote->text(), QString(msg::kReadingUtf16Le));
  QVERIFY(f.window->lblReadingNote->isVisible());
  f.dialogs.file_answers.push_back("");
  f.window->mnuFileItem_Click(0);
  QCOMPARE(f.window->lblReadingNote->text(), QString(msg::kReadingUtf16Le));
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "plain.ged", 3)));
  QVERIFY(!f.window->lblReadingNote->isVisible());

  // An export names its file in the status bar while it writes.
  QStringList seen;
  f.Tick({0});
  const std::string target = f.sandbox.PathBytes("named.csv");
  struct Watch : QObject {
    QLabel* label;
    QStringList* seen;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) *seen << label->text();
      return false;
    }
  } watch;
  watch.label = f.window->StatusPanel1;
  watch.seen = &seen;
  f.window->StatusPanel1->installEventFilter(&watch);
  f.Export(3, "named.csv");
  f.window->StatusPanel1->removeEventFilter(&watch);
  QVERIFY2(seen.contains(QString(msg::kCreating) + PathText(target) + msg::kCreatingEnd), qPrintable(seen.join('|')));

  // F1 without a program for the help page: the built-in viewer, unannounced.
  f.state.opener = "false";
  f.dialogs.messages.clear();
  QTest::keyClick(f.window.get(), Qt::Key_F1);
  QVERIFY(QTest::qWaitFor([&] { return f.window->help_viewer() != nullptr && f.window->help_viewer()->isVisible(); }, 5000));
  QVERIFY2(f.dialogs.messages.empty(), f.dialogs.messages.empty() ? "" : f.dialogs.messages[0].text.c_str());
}

}  // namespace

std::unique_ptr<QObject> MakePreviewTest() { return std::make_unique<PreviewTest>(); }

}  // namespace kinsheet::qt::testing

#include "preview_test.moc"
