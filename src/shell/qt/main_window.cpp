// The main window's widgets and the routing of menus, shortcuts, toolbar
// buttons, field boxes and the scroll bar to the core's commands.
#include "shell/qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "export/export_command.h"
#include "fileio/navigate.h"
#include "gedcom/loader.h"
#include "records/work_records.h"
#include "shell/qt/qt_window_services.h"
#include "state/commands.h"
#include "state/startup.h"

namespace kinsheet::qt {
namespace {

constexpr const char* kFieldCaptions[kFieldCount] = {
    "Surname",        "Given",          "Prefix",           "Suffix",
    "Title",          "Nick",           "Birth date",       "Birth Place",
    "Christened Date", "Christened Place", "Death Date",     "Death Place",
    "Burial Date",    "Burial Place",   "Marriage Date",    "Marriage Place",
    "Individual ID",  "Sex",            "Father's name ",   "Mother's name",
    "Spouse's name",  "# of Children",  "Father's ID",      "Mother's ID",
    "Spouse's ID",    "Full name",      "Family ID - FAMC", "Family ID - FAMS",
};

constexpr const char* kSpouseCaption = " Include Spouse's INDI Info ";

// What each load counter counts, in counter order.
constexpr const char* kCounterCaptions[kCounterCount] = {
    "People",       "Birth dates", "Christenings",   "Deaths",
    "Burials",      "Families",    "Spouse links",   "Marriage dates",
};

struct ToolbarButton {
  const char* icon;  // nullptr: a separator
  const char* tip;
};

// By position 1 to 16.
constexpr ToolbarButton kToolbarButtons[kToolbarPositions] = {
    {":/kinsheet/images/exit.svg", "Exit Kinsheet"},
    {nullptr, nullptr},
    {":/kinsheet/images/open.svg", "Open GEDCOM File"},
    {nullptr, nullptr},
    {":/kinsheet/images/excel.svg", "Create MS Excel (*.xls)"},
    {":/kinsheet/images/access.svg", "Create MS Access (*.mdb)"},
    {":/kinsheet/images/access-old.svg", "Create old MS Access (*.mdb)"},
    {":/kinsheet/images/csv.svg", "Create Comma Delimited File (*.csv)"},
    {":/kinsheet/images/text.svg", "Create Text File (*.txt)"},
    {":/kinsheet/images/xlsx.svg", "Create Excel Workbook (*.xlsx)"},
    {":/kinsheet/images/sqlite.svg", "Create SQLite Database (*.sqlite)"},
    {nullptr, nullptr},
    {":/kinsheet/images/select-all.svg", "Select All"},
    {":/kinsheet/images/deselect-all.svg", "Deselect All"},
    {nullptr, nullptr},
    {":/kinsheet/images/help.svg", "Kinsheet Help"},
};

// Runs a command so that nothing it throws reaches the event loop; the
// commands report what the user needs to know themselves.
template <typename F>
void Guarded(F&& command) {
  try {
    command();
  } catch (...) {
  }
}

}  // namespace

MainWindow::MainWindow(RunState& state, DialogHooks& hooks, QWidget* parent)
    : QMainWindow(parent),
      state_(state),
      services_(std::make_unique<QtWindowServices>(*this, hooks)),
      export_command_(&kinsheet::mnuSheetifyItem_Click) {
  setObjectName("Kinsheet");
  setWindowTitle(kAppTitle);
  setWindowIcon(QIcon(":/kinsheet/images/kinsheet.svg"));

  BuildMenus();
  BuildToolbar();

  auto* central = new QWidget(this);
  auto* left = new QVBoxLayout;
  left->addWidget(BuildFieldBoxes());
  left->addWidget(BuildCounters());
  left->addStretch(1);
  auto* columns = new QHBoxLayout(central);
  columns->addLayout(left, 0);
  columns->addWidget(BuildBrowser(), 1);
  setCentralWidget(central);

  StatusBar1 = statusBar();
  StatusBar1->setObjectName("StatusBar1");
  StatusPanel1 = new QLabel(StatusBar1);
  StatusPanel1->setObjectName("StatusPanel1");
  StatusPanel1->setTextFormat(Qt::PlainText);
  StatusBar1->addWidget(StatusPanel1, 1);
  ProgressBar1 = new QProgressBar(StatusBar1);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setFixedWidth(fontMetrics().averageCharWidth() * 30);
  ProgressBar1->setVisible(false);
  StatusBar1->addPermanentWidget(ProgressBar1);

  resize(sizeHint().expandedTo(QSize(900, 0)));
  Form_Load();
}

MainWindow::~MainWindow() = default;

WindowServices& MainWindow::services() { return *services_; }

void MainWindow::Form_Load() {
  services_->SetStatusText(std::string(TrimSpaces(state_.current_file_name)));
}

void MainWindow::BuildMenus() {
  mnuFile = menuBar()->addMenu("&File");
  mnuFile->setObjectName("mnuFile");
  mnuFileItem[0] = mnuFile->addAction("&Open GEDCOM");
  mnuFileItem[0]->setShortcut(QKeySequence("Ctrl+O"));
  mnuFileItem[1] = mnuFile->addSeparator();
  mnuSheetify = mnuFile->addMenu("&Sheetify to ...");
  mnuSheetify->setObjectName("mnuSheetify");
  mnuFileItem[2] = mnuSheetify->menuAction();
  constexpr const char* kSheetifyCaptions[kExportFormatCount] = {
      "MS &Excel", "MS A&ccess ", "MS &Access (old)", "Comma &Delimited", "&Text file",
      "Excel &Workbook (.xlsx)", "S&QLite Database"};
  constexpr const char* kSheetifyKeys[kExportFormatCount] = {"Ctrl+E", "Ctrl+C", "Ctrl+A", "Ctrl+D",
                                                             "Ctrl+T", "Ctrl+Shift+E", "Ctrl+Shift+L"};
  for (int i = 0; i < kExportFormatCount; ++i) {
    mnuSheetifyItem[i] = mnuSheetify->addAction(kSheetifyCaptions[i]);
    mnuSheetifyItem[i]->setObjectName(QString("mnuSheetifyItem_%1").arg(i));
    mnuSheetifyItem[i]->setShortcut(QKeySequence(kSheetifyKeys[i]));
    connect(mnuSheetifyItem[i], &QAction::triggered, this, [this, i] { mnuSheetifyItem_Click(i); });
  }
  mnuFileItem[3] = mnuFile->addSeparator();
  mnuFileItem[4] = mnuFile->addAction("&Exit");
  mnuFileItem[4]->setShortcut(QKeySequence("Ctrl+X"));
  for (int i = 0; i < 5; ++i) {
    mnuFileItem[i]->setObjectName(QString("mnuFileItem_%1").arg(i));
    if (i == 0 || i == 4) {
      connect(mnuFileItem[i], &QAction::triggered, this, [this, i] { mnuFileItem_Click(i); });
    }
  }

  mnuHelp = menuBar()->addMenu("&Help");
  mnuHelp->setObjectName("mnuHelp");
  mnuHelpItem[0] = mnuHelp->addAction("&About");
  mnuHelpItem[0]->setShortcut(QKeySequence("Ctrl+B"));
  mnuHelpItem[1] = mnuHelp->addSeparator();
  mnuHelpItem[2] = mnuHelp->addAction("&Help");
  mnuHelpItem[2]->setShortcut(QKeySequence("Ctrl+H"));
  for (int i = 0; i < 3; ++i) {
    mnuHelpItem[i]->setObjectName(QString("mnuHelpItem_%1").arg(i));
    if (i != 1) connect(mnuHelpItem[i], &QAction::triggered, this, [this, i] { mnuHelpItem_Click(i); });
  }
  // Ctrl+C, Ctrl+A and Ctrl+X are commands here, not clipboard keys: the
  // shortcuts work wherever the focus is in the window.
  for (QAction* action : findChildren<QAction*>()) action->setShortcutContext(Qt::WindowShortcut);
}

void MainWindow::BuildToolbar() {
  Toolbar1 = addToolBar("Toolbar1");
  Toolbar1->setObjectName("Toolbar1");
  Toolbar1->setMovable(false);
  Toolbar1->setFloatable(false);
  Toolbar1->setContextMenuPolicy(Qt::PreventContextMenu);
  for (int position = 1; position <= kToolbarPositions; ++position) {
    const ToolbarButton& button = kToolbarButtons[position - 1];
    if (button.icon == nullptr) {
      Toolbar1->addSeparator()->setObjectName(QString("Toolbar1_%1").arg(position));
      continue;
    }
    QAction* action = Toolbar1->addAction(QIcon(button.icon), button.tip);
    action->setObjectName(QString("Toolbar1_%1").arg(position));
    action->setToolTip(button.tip);
    connect(action, &QAction::triggered, this, [this, position] { Toolbar1_ButtonClick(position); });
  }
}

QWidget* MainWindow::BuildFieldBoxes() {
  auto* group = new QGroupBox("Fields to include", this);
  group->setObjectName("fraFields");
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(2);
  grid->setColumnMinimumWidth(2, 16);
  // Two columns of fourteen, in index order down each column.
  constexpr int kRows = kFieldCount / 2;
  for (int i = 0; i < kFieldCount; ++i) {
    const int row = i % kRows;
    const int column = (i / kRows) * 3;
    chkSelect[i] = new QCheckBox(group);
    chkSelect[i]->setObjectName(QString("chkSelect_%1").arg(i));
    // Only the box itself takes clicks; keep it no wider than the box.
    chkSelect[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    chkSelect[i]->setAccessibleName(QString(kFieldCaptions[i]).trimmed());
    lblField[i] = new QLabel(kFieldCaptions[i], group);
    lblField[i]->setObjectName(QString("lblField_%1").arg(i));
    lblField[i]->setTextFormat(Qt::PlainText);
    lblField[i]->installEventFilter(this);
    grid->addWidget(chkSelect[i], row, column);
    grid->addWidget(lblField[i], row, column + 1);
    connect(chkSelect[i], &QCheckBox::clicked, this, [this, i](bool ticked) { OnFieldBoxClicked(i, ticked); });
  }
  optInclSpouse = new QRadioButton(kSpouseCaption, group);
  optInclSpouse->setObjectName("optInclSpouse");
  optInclSpouse->setEnabled(false);
  grid->addWidget(optInclSpouse, kRows, 3, 1, 2);
  connect(optInclSpouse, &QRadioButton::clicked, this, [this](bool selected) {
    state_.selection.incl_spouse = selected;
  });
  return group;
}

QWidget* MainWindow::BuildCounters() {
  auto* group = new QGroupBox("Read from the file", this);
  group->setObjectName("fraCounters");
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(2);
  grid->setColumnMinimumWidth(2, 16);
  constexpr int kRows = kCounterCount / 2;
  for (int i = 0; i < kCounterCount; ++i) {
    const int row = i % kRows;
    const int column = (i / kRows) * 3;
    lblCountName[i] = new QLabel(kCounterCaptions[i], group);
    lblCountName[i]->setObjectName(QString("lblCountName_%1").arg(i));
    lblCount[i] = new QLabel("0 ", group);
    lblCount[i]->setObjectName(QString("lblCount_%1").arg(i));
    lblCount[i]->setTextFormat(Qt::PlainText);
    lblCount[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Room for seven digits, so a growing count never moves the layout.
    lblCount[i]->setMinimumWidth(lblCount[i]->fontMetrics().horizontalAdvance("0000000 "));
    lblCountName[i]->setBuddy(lblCount[i]);
    grid->addWidget(lblCountName[i], row, column);
    grid->addWidget(lblCount[i], row, column + 1);
  }
  return group;
}

QWidget* MainWindow::BuildBrowser() {
  auto* group = new QGroupBox("People", this);
  group->setObjectName("fraBrowser");
  auto* row = new QHBoxLayout(group);
  row->setSpacing(0);
  ListView1 = new QTreeWidget(group);
  ListView1->setObjectName("ListView1");
  ListView1->setColumnCount(3);
  ListView1->setHeaderLabels({"Byr", "Dyr", "Name"});
  ListView1->setRootIsDecorated(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ListView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ListView1->header()->setStretchLastSection(true);
  ListView1->header()->setSectionsMovable(false);
  const int year_width = ListView1->fontMetrics().horizontalAdvance("00000") + 16;
  ListView1->setColumnWidth(0, year_width);
  ListView1->setColumnWidth(1, year_width);
  // A page of twenty rows without a scroll bar of its own, measured on a
  // sample row in the current style and font.
  auto* probe = new QTreeWidgetItem(ListView1, QStringList{"1900", "1999", "Probe"});
  const int row_height = ListView1->sizeHintForRow(0);
  delete probe;
  ListView1->setMinimumHeight(ListView1->header()->sizeHint().height() + row_height * 20 +
                              2 * ListView1->frameWidth() + 4);
  ListView1->setMinimumWidth(year_width * 2 + ListView1->fontMetrics().horizontalAdvance("M") * 24);
  ListView1->viewport()->installEventFilter(this);

  VScroll1 = new QScrollBar(Qt::Vertical, group);
  VScroll1->setObjectName("VScroll1");
  VScroll1->setRange(0, 0);
  VScroll1->setSingleStep(1);
  VScroll1->setPageStep(20);
  VScroll1->setEnabled(false);
  connect(VScroll1, &QScrollBar::valueChanged, this, &MainWindow::OnScrollChanged);

  row->addWidget(ListView1, 1);
  row->addWidget(VScroll1);
  return group;
}

void MainWindow::OnScrollChanged(int value) {
  Guarded([&] { SetScrollValue(state_, *services_, value); });
}

void MainWindow::OnFieldBoxClicked(int index, bool ticked) {
  Guarded([&] { SetFieldBox(state_, *services_, index, ticked); });
}

void MainWindow::mnuFileItem_Click(int index) {
  Guarded([&] {
    switch (index) {
      case 0:
        LoadGedcom(state_, *services_);
        services_->FlushCounters();
        break;
      case 4:
        DeleteWorkFiles(state_);
        close();
        break;
      default:
        break;
    }
  });
}

void MainWindow::mnuSheetifyItem_Click(int index) {
  if (index < 0 || index >= kExportFormatCount) return;
  Guarded([&] { export_command_(state_, *services_, static_cast<std::int16_t>(index)); });
}

void MainWindow::mnuHelpItem_Click(int index) {
  Guarded([&] {
    if (index == 0 && about_ != nullptr) {
      about_->show();
      about_->raise();
      about_->activateWindow();
    } else if (index == 2) {
      NavigateTo(*services_, HelpPagePath(state_), state_.opener);
    }
  });
}

void MainWindow::Toolbar1_ButtonClick(int position) {
  switch (position) {
    case 1: mnuFileItem_Click(4); break;
    case 3: mnuFileItem_Click(0); break;
    case 5: case 6: case 7: case 8: case 9: case 10: case 11: mnuSheetifyItem_Click(position - 5); break;
    case 13: Guarded([&] { SelectAll(state_, *services_); }); break;
    case 14: Guarded([&] { DeselectAll(state_, *services_); }); break;
    case 16: mnuHelpItem_Click(2); break;
    default: break;
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing the main window by any means ends the program, About box or not.
  event->accept();
  QCoreApplication::quit();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // A click on a field's caption ticks or clears its box.
  if (event->type() == QEvent::MouseButtonRelease) {
    for (int i = 0; i < kFieldCount; ++i) {
      if (watched == lblField[i] && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        OnFieldBoxClicked(i, !state_.selection.ticked[i]);
        return true;
      }
    }
  }
  // The wheel over the list pages through the people as the scroll bar would.
  if (event->type() == QEvent::Wheel && ListView1 != nullptr && watched == ListView1->viewport()) {
    if (VScroll1->isEnabled()) QCoreApplication::sendEvent(VScroll1, event);
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace kinsheet::qt
