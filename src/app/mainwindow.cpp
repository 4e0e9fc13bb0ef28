#include "app/mainwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFocusEvent>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

#include "app/about.h"
#include "app/drivelist.h"
#include "app/htmlview.h"
#include "app/resultlist.h"
#include "app/resultview.h"
#include "app/textview.h"
#include "platform/platform.h"
#include "process/browser.h"
#include "process/ucommon.h"
#include "widgets/consolerun.h"
#include "widgets/msgbox.h"
#include "widgets/qtcodec.h"

namespace tavirel {
namespace {

std::string& SettingsFileOverride() {
  static std::string path;
  return path;
}

const QString AppTitle = QStringLiteral("tavirel for Namazu");

// The screen's logical pixels per inch, as stored with the window placement.
int ScreenPixelsPerInch(const QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInch())) : 96;
}

// The Shift-JIS text of a box; nullopt when it holds characters that
// Shift-JIS cannot write.
std::optional<std::string> BoxText(const QComboBox* box) {
  return QStringToSjis(box->currentText());
}

std::vector<std::string> BoxItems(const QComboBox* box) {
  std::vector<std::string> items;
  items.reserve(static_cast<size_t>(box->count()));
  for (int i = 0; i < box->count(); ++i) items.push_back(QStringToSjisLossy(box->itemText(i)));
  return items;
}

}  // namespace

// ---- TMRUManager -------------------------------------------------------------------

TMRUManager::TMRUManager(QObject* parent) : QObject(parent) {}

void TMRUManager::SetMenu(QMenu* menu) {
  menu_ = menu;
  RebuildMenu();
}

void TMRUManager::SetItems(std::vector<std::string> items) {
  items_.clear();
  // Oldest first, each to the top, so that the order survives.
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    if (!it->empty()) AddToTopOfList(items_, *it, RecentDirectoryCapacity);
  }
  RebuildMenu();
}

void TMRUManager::Add(const std::string& entry) {
  AddToTopOfList(items_, entry, RecentDirectoryCapacity);
  RebuildMenu();
}

bool TMRUManager::Contains(const std::string& entry) const {
  return ListContainsText(items_, entry);
}

void TMRUManager::RebuildMenu() {
  if (menu_ == nullptr) return;
  menu_->clear();
  for (size_t i = 0; i < items_.size(); ++i) {
    const std::string entry = items_[i];
    QAction* item = menu_->addAction(SjisToQString(RecentMenuCaption(static_cast<int>(i), entry)));
    connect(item, &QAction::triggered, this, [this, entry] { emit Click(entry); });
  }
  menu_->menuAction()->setEnabled(!items_.empty());
}

// ---- TFormPlacement ----------------------------------------------------------------

TFormPlacement::TFormPlacement(QObject* parent) : QObject(parent) {}

bool TFormPlacement::Restore(QWidget* window) const {
  if (IniFileName.empty()) return false;
  auto placement = ReadWindowPlacementFromFile(IniFileName, IniSection);
  if (!placement || placement->PixelsPerInch != ScreenPixelsPerInch(window)) return false;
  const int* r = placement->NormPos;
  window->setGeometry(r[0], r[1], r[2] - r[0], r[3] - r[1]);
  if (placement->ShowCmd == ShowCmdMaximized) {
    window->setWindowState(window->windowState() | Qt::WindowMaximized);
  }
  return true;
}

TWindowPlacement TFormPlacement::PlacementOf(const QWidget* window) {
  TWindowPlacement placement;
  placement.ShowCmd = window->isMaximized()   ? ShowCmdMaximized
                      : window->isMinimized() ? ShowCmdMinimized
                                              : ShowCmdNormal;
  placement.PixelsPerInch = ScreenPixelsPerInch(window);
  QRect normal = window->normalGeometry();
  if (!normal.isValid()) normal = window->geometry();
  placement.NormPos[0] = normal.x();
  placement.NormPos[1] = normal.y();
  placement.NormPos[2] = normal.x() + normal.width();
  placement.NormPos[3] = normal.y() + normal.height();
  return placement;
}

// ---- TfrmMain: creation ------------------------------------------------------------

void TfrmMain::SetSettingsFileOverride(const std::string& path) { SettingsFileOverride() = path; }

std::string TfrmMain::ProgramFolder() {
  std::string path = platform::ProgramPath();
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return platform::CurrentFolder();
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  CreateControls();
  CreateMenus();
  ConnectEvents();
  FormCreate();
  ApplyWindowLayout();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::CreateControls() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("pnlClient"));
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  // Index directory bar.
  pnlTarget = new QWidget(central);
  pnlTarget->setObjectName(QStringLiteral("pnlTarget"));
  pnlTarget->setFixedHeight(TargetPanelHeight);
  auto* targetRow = new QHBoxLayout(pnlTarget);
  targetRow->setContentsMargins(4, 4, 4, 2);
  lblIndexDir = new QLabel(QStringLiteral("インデックス(&P):"), pnlTarget);
  lblIndexDir->setObjectName(QStringLiteral("lblIndexDir"));
  cboIndexDir = new QComboBox(pnlTarget);
  cboIndexDir->setObjectName(QStringLiteral("cboIndexDir"));
  cboIndexDir->setEditable(true);
  cboIndexDir->setInsertPolicy(QComboBox::NoInsert);
  cboIndexDir->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  cboIndexDir->setMinimumContentsLength(8);
  cboIndexDir->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  lblIndexDir->setBuddy(cboIndexDir);
  btnBrowseIndexPath = new QPushButton(QStringLiteral("..."), pnlTarget);
  btnBrowseIndexPath->setObjectName(QStringLiteral("btnBrowseIndexPath"));
  btnBrowseIndexPath->setFixedWidth(28);
  btnBrowseIndexPath->setEnabled(false);  // the directory dialog comes later
  targetRow->addWidget(lblIndexDir);
  targetRow->addWidget(cboIndexDir, 1);
  targetRow->addWidget(btnBrowseIndexPath);
  column->addWidget(pnlTarget);

  // Header: formula row, then count, sort and summary row.
  pnlHeader = new QWidget(central);
  pnlHeader->setObjectName(QStringLiteral("pnlHeader"));
  pnlHeader->setFixedHeight(HeaderHeightTwoRows);
  auto* rows = new QVBoxLayout(pnlHeader);
  rows->setContentsMargins(4, 4, 4, 2);
  rows->setSpacing(3);
  auto* firstRow = new QHBoxLayout;
  lblKeyword = new QLabel(QStringLiteral("検索式(&D):"), pnlHeader);
  lblKeyword->setObjectName(QStringLiteral("lblKeyword"));
  cboKeyword = new QComboBox(pnlHeader);
  cboKeyword->setObjectName(QStringLiteral("cboKeyword"));
  cboKeyword->setEditable(true);
  cboKeyword->setInsertPolicy(QComboBox::NoInsert);
  cboKeyword->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  cboKeyword->setMinimumContentsLength(8);
  cboKeyword->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  lblKeyword->setBuddy(cboKeyword);
  btnSelectKeywordList = new QToolButton(pnlHeader);
  btnSelectKeywordList->setObjectName(QStringLiteral("btnSelectKeywordList"));
  btnSelectKeywordList->setText(QStringLiteral("..."));
  btnSelectKeywordList->setToolTip(QStringLiteral("一覧から選択"));
  btnSelectKeywordList->setEnabled(false);  // the alias dialog comes later
  btnSearch = new QPushButton(QStringLiteral("検索(&G)"), pnlHeader);
  btnSearch->setObjectName(QStringLiteral("btnSearch"));
  firstRow->addWidget(lblKeyword);
  firstRow->addWidget(cboKeyword, 1);
  firstRow->addWidget(btnSelectKeywordList);
  firstRow->addWidget(btnSearch);
  rows->addLayout(firstRow);

  auto* secondRow = new QHBoxLayout;
  lblListCount = new QLabel(QStringLiteral("件数(&N):"), pnlHeader);
  lblListCount->setObjectName(QStringLiteral("lblListCount"));
  cboListCount = new QComboBox(pnlHeader);
  cboListCount->setObjectName(QStringLiteral("cboListCount"));
  cboListCount->setEditable(true);
  cboListCount->setInsertPolicy(QComboBox::NoInsert);
  cboListCount->addItems({QStringLiteral("20"), QStringLiteral("50"), QStringLiteral("100"),
                          QStringLiteral("すべて")});
  cboListCount->lineEdit()->setMaxLength(3);
  cboListCount->setFixedWidth(70);
  lblListCount->setBuddy(cboListCount);
  lblSortType = new QLabel(QStringLiteral("並び順(&S):"), pnlHeader);
  lblSortType->setObjectName(QStringLiteral("lblSortType"));
  cboSortType = new QComboBox(pnlHeader);
  cboSortType->setObjectName(QStringLiteral("cboSortType"));
  cboSortType->addItems({QStringLiteral("古い順"), QStringLiteral("新しい順"),
                         QStringLiteral("スコア"), QStringLiteral("題名"),
                         QStringLiteral("Date: ヘッダ"), QStringLiteral("ファイル名"),
                         QStringLiteral("ファイルサイズ"), QStringLiteral("差出人"),
                         QStringLiteral("宛先"), QStringLiteral("ニュースグループ")});
  lblSortType->setBuddy(cboSortType);
  chkShowContents = new QCheckBox(QStringLiteral("要約の表示(&C)"), pnlHeader);
  chkShowContents->setObjectName(QStringLiteral("chkShowContents"));
  btnTutorial = new QToolButton(pnlHeader);
  btnTutorial->setObjectName(QStringLiteral("btnTutorial"));
  btnTutorial->setText(QStringLiteral("?"));
  btnTutorial->setToolTip(QStringLiteral("説明を表示"));
  btnTutorial->setAutoRaise(true);
  secondRow->addWidget(lblListCount);
  secondRow->addWidget(cboListCount);
  secondRow->addSpacing(8);
  secondRow->addWidget(lblSortType);
  secondRow->addWidget(cboSortType);
  secondRow->addSpacing(8);
  secondRow->addWidget(chkShowContents);
  secondRow->addStretch(1);
  secondRow->addWidget(btnTutorial);
  rows->addLayout(secondRow);
  rows->addStretch(1);
  column->addWidget(pnlHeader);

  // Body: the three pages.
  pnlBody = new QWidget(central);
  pnlBody->setObjectName(QStringLiteral("pnlBody"));
  pnlBody->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
  auto* bodyLayout = new QVBoxLayout(pnlBody);
  bodyLayout->setContentsMargins(0, 0, 0, 0);
  pge = new QTabWidget(pnlBody);
  pge->setObjectName(QStringLiteral("pge"));
  bodyLayout->addWidget(pge);

  tabResult = new QWidget;
  tabResult->setObjectName(QStringLiteral("tabResult"));
  auto* resultLayout = new QVBoxLayout(tabResult);
  resultLayout->setContentsMargins(0, 0, 0, 0);
  edtResult = new TResultView(tabResult);
  edtResult->setObjectName(QStringLiteral("edtResult"));
  resultLayout->addWidget(edtResult);
  pge->addTab(tabResult, QStringLiteral("検索結果(&1)"));

  // Each document tab: a title panel with the tab's buttons at its right,
  // and the view below.
  auto titlePanel = [](QWidget* page, const char* name) {
    auto* title = new QLabel(page);
    title->setObjectName(QString::fromLatin1(name));
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setTextFormat(Qt::PlainText);
    title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return title;
  };
  auto tabButton = [](QWidget* page, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, page);
    button->setObjectName(QString::fromLatin1(name));
    button->setFocusPolicy(Qt::NoFocus);  // the keys stay with the document
    button->setAutoDefault(false);
    return button;
  };
  auto pageLayout = [](QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
  };
  auto titleRow = [](QVBoxLayout* layout, std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    for (QWidget* w : widgets) row->addWidget(w, w == *widgets.begin() ? 1 : 0);
    layout->addLayout(row);
  };

  tabTextDoc = new QWidget;
  tabTextDoc->setObjectName(QStringLiteral("tabTextDoc"));
  auto* textLayout = pageLayout(tabTextDoc);
  pnlSubject = titlePanel(tabTextDoc, "pnlSubject");
  btnPrevious = tabButton(tabTextDoc, "btnPrevious", QStringLiteral("&<"));
  btnNext = tabButton(tabTextDoc, "btnNext", QStringLiteral("&>"));
  titleRow(textLayout, {pnlSubject, btnPrevious, btnNext});
  edtTextContents = new TTextView(tabTextDoc);
  edtTextContents->setContextMenuPolicy(Qt::CustomContextMenu);
  textLayout->addWidget(edtTextContents, 1);
  pge->addTab(tabTextDoc, QStringLiteral("テキスト文書(&2)"));

  tabHTMLDoc = new QWidget;
  tabHTMLDoc->setObjectName(QStringLiteral("tabHTMLDoc"));
  auto* htmlLayout = pageLayout(tabHTMLDoc);
  pnlTitle = titlePanel(tabHTMLDoc, "pnlTitle");
  btnResult = tabButton(tabHTMLDoc, "btnResult", QStringLiteral("&Result"));
  btnPreviousW = tabButton(tabHTMLDoc, "btnPreviousW", QStringLiteral("&<"));
  btnNextW = tabButton(tabHTMLDoc, "btnNextW", QStringLiteral("&>"));
  titleRow(htmlLayout, {pnlTitle, btnResult, btnPreviousW, btnNextW});
  WebBrowser1 = new THtmlView(tabHTMLDoc);
  htmlLayout->addWidget(WebBrowser1, 1);
  pge->addTab(tabHTMLDoc, QStringLiteral("HTML文書(&3)"));

  column->addWidget(pnlBody, 1);
  setCentralWidget(central);

  stb = new QStatusBar(this);
  stb->setObjectName(QStringLiteral("stb"));
  stb->setFixedHeight(StatusBarHeight);
  stb->setSizeGripEnabled(false);
  setStatusBar(stb);

  pmnu = new QMenu(this);
  pmnu->setObjectName(QStringLiteral("pmnu"));
  mnuCopy = pmnu->addAction(QStringLiteral("コピー(&C)"));
  mnuCopy->setObjectName(QStringLiteral("mnuCopy"));
  mnuCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  mnuCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  pge->addAction(mnuCopy);

  MRUManager = new TMRUManager(this);
  MRUManager->setObjectName(QStringLiteral("MRUManager"));
  FormPlacement = new TFormPlacement(this);
  FormPlacement->setObjectName(QStringLiteral("FormPlacement"));

  setMinimumWidth(MinimumTrackWidth);
}

QAction* TfrmMain::AddMenuItem(QMenu* menu, const char* name, const QString& caption,
                               QActionGroup* group) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  if (group != nullptr) {
    item->setCheckable(true);
    group->addAction(item);
  }
  return item;
}

QMenu* TfrmMain::AddSubMenu(QMenu* parent, const char* name, const QString& caption) {
  QMenu* menu = parent != nullptr ? parent->addMenu(caption) : menuBar()->addMenu(caption);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name));
  return menu;
}

void TfrmMain::CreateMenus() {
  menuBar()->setObjectName(QStringLiteral("MainMenu1"));

  mnuSearchMenu = AddSubMenu(nullptr, "mnuSearchMenu", QStringLiteral("検索(&F)"));
  // The dialog commands come with their dialogs; until then they are disabled.
  mnuSelectDirectory =
      AddMenuItem(mnuSearchMenu, "mnuSelectDirectory", QStringLiteral("ディレクトリを選択(&D)..."));
  mnuSelectDirectory->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  mnuSelectDirectory->setEnabled(false);
  mnuSelectAlias =
      AddMenuItem(mnuSearchMenu, "mnuSelectAlias", QStringLiteral("エイリアスから選択(&A)..."));
  mnuSelectAlias->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  mnuSelectAlias->setEnabled(false);
  mnuSearchMenu->addSeparator();
  mnuRecentDirectory = AddSubMenu(mnuSearchMenu, "mnuRecentDirectory",
                                  QStringLiteral("最近使ったディレクトリ(&T)"));
  mnuSearchMenu->addSeparator();
  mnuExit = AddMenuItem(mnuSearchMenu, "mnuExit", QStringLiteral("終了(&X)"));

  mnuView = AddSubMenu(nullptr, "mnuView", QStringLiteral("表示(&V)"));
  mnuSort = AddSubMenu(mnuView, "mnuSort", QStringLiteral("並び順(&S)"));
  auto* sortGroup = new QActionGroup(this);
  mnuSortEarlier = AddMenuItem(mnuSort, "mnuSortEarlier", QStringLiteral("古い順(&E)"), sortGroup);
  mnuSortLater = AddMenuItem(mnuSort, "mnuSortLater", QStringLiteral("新しい順(&L)"), sortGroup);
  mnuSort->addSeparator();
  mnuSortScore = AddMenuItem(mnuSort, "mnuSortScore", QStringLiteral("スコア(&S)"), sortGroup);
  mnuSortTitle = AddMenuItem(mnuSort, "mnuSortTitle", QStringLiteral("題名(&T)"), sortGroup);
  mnuSortDateHeader =
      AddMenuItem(mnuSort, "mnuSortDateHeader", QStringLiteral("&Date: ヘッダ"), sortGroup);
  mnuSortFileName =
      AddMenuItem(mnuSort, "mnuSortFileName", QStringLiteral("ファイル名(&N)"), sortGroup);
  mnuSortFileSize =
      AddMenuItem(mnuSort, "mnuSortFileSize", QStringLiteral("ファイルサイズ(&Z)"), sortGroup);
  mnuSortFrom = AddMenuItem(mnuSort, "mnuSortFrom", QStringLiteral("差出人(&F)"), sortGroup);
  mnuSortTo = AddMenuItem(mnuSort, "mnuSortTo", QStringLiteral("宛先(&T)"), sortGroup);
  mnuSortNewsGroup =
      AddMenuItem(mnuSort, "mnuSortNewsGroup", QStringLiteral("ニュースグループ(&G)"), sortGroup);
  mnuSort->addSeparator();
  auto* directionGroup = new QActionGroup(this);
  mnuSortAscending =
      AddMenuItem(mnuSort, "mnuSortAscending", QStringLiteral("昇順(&A)"), directionGroup);
  mnuSortDescending =
      AddMenuItem(mnuSort, "mnuSortDescending", QStringLiteral("降順(&D)"), directionGroup);
  sortItems_ = {mnuSortEarlier,  mnuSortLater,    mnuSortScore, mnuSortTitle,
                mnuSortDateHeader, mnuSortFileName, mnuSortFileSize, mnuSortFrom,
                mnuSortTo,       mnuSortNewsGroup};
  mnuSortScore->setChecked(true);
  mnuSortDescending->setChecked(true);

  mnuContents = AddSubMenu(mnuView, "mnuContents", QStringLiteral("要約(&C)"));
  auto* contentsGroup = new QActionGroup(this);
  mnuContentsOn =
      AddMenuItem(mnuContents, "mnuContentsOn", QStringLiteral("表示する(&S)"), contentsGroup);
  mnuContentsOff =
      AddMenuItem(mnuContents, "mnuContentsOff", QStringLiteral("表示しない(&N)"), contentsGroup);
  mnuContentsOn->setChecked(true);

  mnuListCount = AddSubMenu(mnuView, "mnuListCount", QStringLiteral("件数(&N)"));
  auto* countGroup = new QActionGroup(this);
  mnuListCountTwenty =
      AddMenuItem(mnuListCount, "mnuListCountTwenty", QStringLiteral("20件"), countGroup);
  mnuListCountFifty =
      AddMenuItem(mnuListCount, "mnuListCountFifty", QStringLiteral("50件"), countGroup);
  mnuListCountHundred =
      AddMenuItem(mnuListCount, "mnuListCountHundred", QStringLiteral("100件"), countGroup);
  mnuListCountAll =
      AddMenuItem(mnuListCount, "mnuListCountAll", QStringLiteral("すべて(&A)"), countGroup);
  mnuListCountTwenty->setChecked(true);

  mnuView->addSeparator();
  mnuColored = AddMenuItem(mnuView, "mnuColored", QStringLiteral("色をつけない(&L)"));
  mnuColored->setCheckable(true);
  mnuConvert = AddSubMenu(mnuView, "mnuConvert", QStringLiteral("コード変換(&V)"));
  auto* convertGroup = new QActionGroup(this);
  mnuConvertToSJIS = AddMenuItem(mnuConvert, "mnuConvertToSJIS",
                                 QStringLiteral("EUC・JIS から シフトJIS へ(&S)"), convertGroup);
  mnuConvertNone =
      AddMenuItem(mnuConvert, "mnuConvertNone", QStringLiteral("無変換(&N)"), convertGroup);
  mnuConvertNkf = AddMenuItem(mnuConvert, "mnuConvertNkf", QStringLiteral("N&KF32.DLL で変換..."),
                              convertGroup);
  mnuConvertNkf->setVisible(false);
  mnuConvertNkf->setEnabled(false);
  mnuConvert->addSeparator();
  mnuDecodeHeader =
      AddMenuItem(mnuConvert, "mnuDecodeHeader", QStringLiteral("ヘッダのデコードを行う(&H)"));
  mnuDecodeHeader->setCheckable(true);
  mnuConvertToSJIS->setChecked(true);
  mnuFont = AddSubMenu(mnuView, "mnuFont", QStringLiteral("フォント(&F)"));
  mnuFontResult = AddMenuItem(mnuFont, "mnuFontResult", QStringLiteral("検索結果(&R)..."));
  mnuFontTextContents =
      AddMenuItem(mnuFont, "mnuFontTextContents", QStringLiteral("テキスト文書(&T)..."));
  mnuAppearance = AddSubMenu(mnuView, "mnuAppearance", QStringLiteral("画面サイズ(&Z)"));
  auto* appearanceGroup = new QActionGroup(this);
  mnuAppearanceNormal = AddMenuItem(mnuAppearance, "mnuAppearanceNormal",
                                    QStringLiteral("通常(&N)"), appearanceGroup);
  mnuAppearanceSmall = AddMenuItem(mnuAppearance, "mnuAppearanceSmall",
                                   QStringLiteral("コンパクト(&C)"), appearanceGroup);
  mnuAppearanceNormal->setChecked(true);
  mnuView->addSeparator();
  mnuShowIndexDirectory =
      AddMenuItem(mnuView, "mnuShowIndexDirectory", QStringLiteral("インデックスの場所(&P)"));
  mnuShowIndexDirectory->setCheckable(true);
  mnuShowStatusBar = AddMenuItem(mnuView, "mnuShowStatusBar", QStringLiteral("ステータスバー(&U)"));
  mnuShowStatusBar->setCheckable(true);
  mnuStayOnTop = AddMenuItem(mnuView, "mnuStayOnTop", QStringLiteral("常に前面に表示(&T)"));
  mnuStayOnTop->setCheckable(true);
  mnuStayOnTop->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));

  mnuDocType = AddSubMenu(nullptr, "mnuDocType", QStringLiteral("文書の種類(&W)"));
  auto* docGroup = new QActionGroup(this);
  mnuDocPlainText =
      AddMenuItem(mnuDocType, "mnuDocPlainText", QStringLiteral("テキストファイル(&T)"), docGroup);
  mnuDocMailNews =
      AddMenuItem(mnuDocType, "mnuDocMailNews", QStringLiteral("メール／ニュース(&M)"), docGroup);
  mnuDocHTML = AddMenuItem(mnuDocType, "mnuDocHTML", QStringLiteral("&HTML"), docGroup);
  mnuDocSystemAuto = AddMenuItem(mnuDocType, "mnuDocSystemAuto",
                                 QStringLiteral("外部アプリケーションで開く(&A)"), docGroup);
  mnuDocType->addSeparator();
  mnuDocByExtension =
      AddMenuItem(mnuDocType, "mnuDocByExtension", QStringLiteral("拡張子で判別(&E)"), docGroup);
  mnuDocByExtension->setChecked(true);

  mnuIndex = AddSubMenu(nullptr, "mnuIndex", QStringLiteral("インデックス(&I)"));
  mnuMakeIndex = AddMenuItem(mnuIndex, "mnuMakeIndex", QStringLiteral("作成(&C)..."));
  mnuMakeIndex->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
  mnuMakeIndex->setEnabled(false);

  mnuTool = AddSubMenu(nullptr, "mnuTool", QStringLiteral("ツール(&T)"));
  mnuSetNamazurc = AddMenuItem(mnuTool, "mnuSetNamazurc", QStringLiteral("namazurc の設定(&S)..."));
  mnuSetNamazurc->setEnabled(false);
  mnuShowDriveInfo =
      AddMenuItem(mnuTool, "mnuShowDriveInfo", QStringLiteral("ドライブ情報の表示(&D)..."));
  mnuTool->addSeparator();
  mnuToolOption = AddMenuItem(mnuTool, "mnuToolOption", QStringLiteral("オプション(&O)..."));
  mnuToolOption->setEnabled(false);

  mnuHelp = AddSubMenu(nullptr, "mnuHelp", QStringLiteral("ヘルプ(&H)"));
  mnuHelpStart = AddMenuItem(mnuHelp, "mnuHelpStart", QStringLiteral("検索式の入力方法(&F)..."));
  mnuHelpTavirel =
      AddMenuItem(mnuHelp, "mnuHelpTavirel", QStringLiteral("tavirel for Namazu のヘルプ(&C)..."));
  mnuHelpTavirel->setShortcut(QKeySequence(Qt::Key_F1));
  mnuHelpNamazu = AddSubMenu(mnuHelp, "mnuHelpNamazu", QStringLiteral("&Namazu のヘルプ"));
  mnuHelpNamazuManual =
      AddMenuItem(mnuHelpNamazu, "mnuHelpNamazuManual", QStringLiteral("説明書(&M)..."));
  mnuHelpNamazuTutorial =
      AddMenuItem(mnuHelpNamazu, "mnuHelpNamazuTutorial", QStringLiteral("チュートリアル(&T)..."));
  mnuHelp->addSeparator();
  mnuHelpAbout = AddMenuItem(mnuHelp, "mnuHelpAbout", QStringLiteral("バージョン情報(&A)..."));

  MRUManager->SetMenu(mnuRecentDirectory);
}

void TfrmMain::ConnectEvents() {
  connect(btnSearch, &QPushButton::clicked, this, [this] { btnSearchClick(); });
  connect(cboKeyword->lineEdit(), &QLineEdit::returnPressed, this, [this] {
    if (btnSearch->isDefault()) btnSearch->click();
  });
  cboKeyword->installEventFilter(this);
  cboListCount->installEventFilter(this);

  for (QAction* item : sortItems_) {
    connect(item, &QAction::triggered, this, [this, item] { mnuSortEarlierClick(item); });
  }
  for (QAction* item : {mnuSortAscending, mnuSortDescending}) {
    connect(item, &QAction::triggered, this, [this, item] { mnuSortAscendingClick(item); });
  }
  connect(cboSortType, &QComboBox::activated, this, [this] { cboSortTypeClick(); });
  for (QAction* item : {mnuListCountTwenty, mnuListCountFifty, mnuListCountHundred,
                        mnuListCountAll}) {
    connect(item, &QAction::triggered, this, [this, item] { mnuListCountTwentyClick(item); });
  }
  connect(mnuListCount, &QMenu::aboutToShow, this, [this] { mnuListCountClick(); });
  for (QAction* item : {mnuContentsOn, mnuContentsOff}) {
    connect(item, &QAction::triggered, this, [this, item] { mnuContentsOnClick(item); });
  }
  connect(chkShowContents, &QCheckBox::toggled, this, [this] { chkShowContentsClick(); });

  connect(edtResult, &TResultView::OpenHitRequested, this,
          [this](int32_t offset, bool insideProgram) { OpenHitAt(offset, insideProgram); });
  connect(edtResult, &TResultView::EscapePressed, this, [this] { cboKeyword->setFocus(); });
  edtResult->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(edtResult, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupAt(edtResult, pos); });
  connect(edtTextContents, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupAt(edtTextContents, pos); });
  connect(pmnu, &QMenu::aboutToShow, this, [this] { pmnuPopup(); });
  connect(mnuCopy, &QAction::triggered, this, [this] { mnuCopyClick(); });
  connect(pge, &QTabWidget::currentChanged, this, [this] { pgeChange(); });

  connect(MRUManager, &TMRUManager::Click, this,
          [this](const std::string& entry) { MRUManagerClick(entry); });
  connect(mnuExit, &QAction::triggered, this, [this] { mnuExitClick(); });
  connect(mnuColored, &QAction::triggered, this, [this] { mnuColoredClick(); });
  connect(mnuShowIndexDirectory, &QAction::triggered, this, [this] { mnuShowIndexDirectoryClick(); });
  connect(mnuShowStatusBar, &QAction::triggered, this, [this] { mnuShowStatusBarClick(); });
  connect(mnuStayOnTop, &QAction::triggered, this, [this] { mnuStayOnTopClick(); });
  connect(mnuFontResult, &QAction::triggered, this, [this] { mnuFontResultClick(); });
  connect(mnuFontTextContents, &QAction::triggered, this, [this] { mnuFontTextContentsClick(); });
  for (QAction* item : {mnuAppearanceNormal, mnuAppearanceSmall}) {
    connect(item, &QAction::triggered, this, [this, item] { mnuAppearanceNormalClick(item); });
  }
  for (QAction* item :
       {mnuDocPlainText, mnuDocMailNews, mnuDocHTML, mnuDocSystemAuto, mnuDocByExtension}) {
    connect(item, &QAction::triggered, this, [this, item] { mnuDocPlainTextClick(item); });
  }
  for (QAction* item : {mnuConvertToSJIS, mnuConvertNone}) {
    connect(item, &QAction::triggered, this, [this, item] { mnuConvertToSJISClick(item); });
  }
  connect(mnuDecodeHeader, &QAction::triggered, this, [this] { mnuDecodeHeaderClick(); });
  connect(mnuShowDriveInfo, &QAction::triggered, this, [this] { mnuShowDriveInfoClick(); });
  connect(mnuHelpStart, &QAction::triggered, this, [this] { mnuHelpStartClick(); });
  connect(btnTutorial, &QToolButton::clicked, this, [this] { mnuHelpStartClick(); });
  connect(mnuHelpTavirel, &QAction::triggered, this, [this] { mnuHelpTavirelClick(); });
  connect(mnuHelpNamazuManual, &QAction::triggered, this, [this] { mnuHelpNamazuManualClick(); });
  connect(mnuHelpNamazuTutorial, &QAction::triggered, this,
          [this] { mnuHelpNamazuTutorialClick(); });
  connect(mnuHelpAbout, &QAction::triggered, this, [this] { mnuHelpAboutClick(); });

  // The document tabs.
  for (QPushButton* button : {btnNext, btnNextW}) {
    connect(button, &QPushButton::clicked, this, [this] { btnNextClick(); });
  }
  for (QPushButton* button : {btnPrevious, btnPreviousW}) {
    connect(button, &QPushButton::clicked, this, [this] { btnPreviousClick(); });
  }
  connect(btnResult, &QPushButton::clicked, this, [this] { btnResultClick(); });
  connect(edtTextContents, &TTextView::StatusTextRequested, this,
          [this](const QString& text) { edtTextContentsStatusText(text); });
  connect(edtTextContents, &TTextView::OpenInBrowserRequested, this,
          [this] { edtTextContentsOpenInBrowser(); });
  connect(edtTextContents, &TTextView::OpenWithApplicationRequested, this,
          [this] { edtTextContentsOpenWithApplication(); });
  connect(edtTextContents, &TTextView::ResultListRequested, this,
          [this] { edtTextContentsBackToResult(); });
  connect(edtTextContents, &TTextView::NextDocumentRequested, this, [this] { btnNextClick(); });
  connect(edtTextContents, &TTextView::PreviousDocumentRequested, this,
          [this] { btnPreviousClick(); });
}

void TfrmMain::FormCreate() {
  const std::string& override = SettingsFileOverride();
  if (override.empty()) {
    InitSettings();
  } else {
    // The same steps as InitSettings, with the given file.
    Settings.IniFileName = override;
    if (!platform::FileExists(Settings.IniFileName)) WriteDefaultSettings(Settings.IniFileName);
    LoadSettings(Settings, Settings.IniFileName);
  }
  BuildDriveConstantList();
  ApplySettingsToWindow();
}

void TfrmMain::ApplySettingsToWindow() {
  const bool external = ResultsInExternalBrowser(Settings);

  // 1. Sort order.
  mnuSortScore->setChecked(true);
  CheckSortKind(SortKindFromKeyword(Settings.Sort));
  SyncSortSelection(2);

  // 2. Sort direction.
  mnuSortDescending->setChecked(true);
  if (IsWord(Settings.SortDirection, "ascending")) mnuSortAscending->setChecked(true);

  // 3. Summary.
  mnuContentsOn->setChecked(true);
  if (Settings.ShowContents == "0") mnuContentsOff->setChecked(true);

  // 4. Hit count.
  const ListCountStart count = ListCountAtStart(Settings.ListCount);
  Settings.ListCount = count.ListCount;
  ListCountItem(static_cast<int>(count.Item))->setChecked(true);
  if (count.BoxIndex >= 0) {
    cboListCount->setCurrentIndex(count.BoxIndex);
  } else {
    cboListCount->setCurrentIndex(-1);
    cboListCount->setEditText(SjisToQString(count.BoxText));
  }

  // 5. Code conversion.
  switch (ConvertItemFromSetting(Settings.Convert)) {
    case TConvertItem::cvToSjis: mnuConvertToSJIS->setChecked(true); break;
    case TConvertItem::cvNone: mnuConvertNone->setChecked(true); break;
    case TConvertItem::cvNkf: mnuConvertNkf->setChecked(true); break;
  }
  mnuDecodeHeader->setChecked(Settings.DecodeHeader == "1");
  mnuConvert->menuAction()->setEnabled(!external);

  // 6. Index directories.
  Settings.IndexDirectoriesText = JoinQuotedDirectories(Settings.IndexDirectories);
  mnuShowIndexDirectory->setChecked(Settings.ShowIndexDir == "1");
  pnlTarget->setVisible(Settings.ShowIndexDir == "1");
  cboIndexDir->setEditText(SjisToQString(Settings.IndexDirectoriesText));

  // 7. Status bar.
  mnuShowStatusBar->setChecked(Settings.ShowStatusBar == "1");
  ApplyStatusBar();

  // 8. Colour.
  mnuColored->setChecked(Settings.Color != "1");
  mnuColored->setEnabled(!external);

  // 9. Stay on top (the window follows at first show).
  mnuStayOnTop->setChecked(Settings.StayOnTop == "1");

  // 10. Fonts.
  ApplyFonts();

  // 11. Appearance.
  mnuAppearanceNormal->setChecked(true);
  if (IsWord(Settings.ScreenType, "small")) mnuAppearanceSmall->setChecked(true);

  // 12. Document type.
  const TDocTypeItem docType = DocTypeItemFromSetting(Settings.HowToOpen);
  QAction* docItems[] = {mnuDocPlainText, mnuDocMailNews, mnuDocHTML, mnuDocSystemAuto,
                         mnuDocByExtension};
  docItems[static_cast<int>(docType)]->setChecked(true);
  if (docType == TDocTypeItem::dtiByExtension) Settings.HowToOpen = "Define";
  mnuDocType->menuAction()->setEnabled(!external);

  // 13. Placement.
  if (Settings.SavePosition != "1") {
    FormPlacement->Active = false;
    SetPlacementToDefault();
  } else {
    FormPlacement->IniFileName = Settings.IniFileName;
    FormPlacement->IniSection = "Window";
    FormPlacement->Active = true;
    if (!FormPlacement->Restore(this)) SetPlacementToDefault();
  }

  // 14. Title.
  UpdateTitle();

  // 15. Formula history.
  for (const std::string& formula : HistoryForBox(Settings)) {
    cboKeyword->addItem(SjisToQString(formula));
  }
  cboKeyword->setCurrentIndex(-1);
  cboKeyword->setEditText(QString());

  // 16. Hit-count box.
  if (mnuListCountAll->isChecked()) {
    cboListCount->setCurrentIndex(cboListCount->count() - 1);
  } else {
    cboListCount->setEditText(SjisToQString(Settings.ListCount));
  }

  // 17. Summary box (its handler marks the matching summary item).
  chkShowContents->setChecked(Settings.ShowContents == "1");
  chkShowContentsClick();

  // 18. The embedded browser's events. The before-navigation handler sets
  // the cancel flag of the navigation in progress, so it runs directly.
  connect(WebBrowser1, &THtmlView::BeforeNavigate2, this,
          [this](const QString& url, bool& cancel) { WebBrowser1BeforeNavigate2(url, cancel); },
          Qt::DirectConnection);
  connect(WebBrowser1, &THtmlView::DocumentComplete, this,
          [this](const QString& url) { WebBrowser1DocumentComplete(url); });
}

void TfrmMain::SetPlacementToDefault() {
  resize(DefaultWindowWidth, DefaultWindowHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - DefaultWindowWidth) / 2,
         area.y() + (area.height() - DefaultWindowHeight) / 2);
  }
}

void TfrmMain::ApplyFonts() {
  auto makeFont = [](const std::string& name, const std::string& size, const std::string& bold) {
    QString family = SjisToQString(FontNameFromSetting(name));
    // A name with bytes that are no characters cannot be set.
    if (family.contains(QChar::ReplacementCharacter)) family = SjisToQString(FallbackFontName);
    QFont font(family);
    font.setPointSize(FontSizeFromSetting(size));
    font.setBold(bold == "1");
    return font;
  };
  edtResult->setFont(makeFont(Settings.FontNameResult, Settings.FontSizeResult,
                              Settings.FontBoldResult));
  edtTextContents->setFont(
      makeFont(Settings.FontNameText, Settings.FontSizeText, Settings.FontBoldText));
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void TfrmMain::FormShow() {
  pge->setCurrentWidget(tabResult);
  pgeChange();
  if (Settings.ShowExplanation == "1") {
    mnuHelpStartClick();
    cboKeyword->setFocus();
  }
  ApplyStayOnTop();
  MRUManager->SetItems(ReadRecentDirectories(Settings.IniFileName));
  recentLoaded_ = true;
  // Adding items must not replace what the box shows.
  const QString shown = cboIndexDir->currentText();
  for (const std::string& entry : MRUManager->Items()) cboIndexDir->addItem(SjisToQString(entry));
  cboIndexDir->setEditText(shown);
}

void TfrmMain::UpdateTitle() {
  const QString title = SjisToQString(MainWindowTitle(Settings.IndexDirectoriesText));
  setWindowTitle(title);
  QGuiApplication::setApplicationDisplayName(title);
}

// ---- Layout ---------------------------------------------------------------------------

int TfrmMain::FrameHeight() const {
  QMenuBar* bar = menuBar();
  if (bar->isNativeMenuBar() || bar->isHidden()) return 0;
  int h = bar->heightForWidth(width());
  return h > 0 ? h : bar->sizeHint().height();
}

int TfrmMain::ClientHeight() const { return height() - FrameHeight(); }

void TfrmMain::ApplyWindowLayout() {
  const bool normal = IsNormalAppearance(Settings.ScreenType);
  const bool external = ResultsInExternalBrowser(Settings);
  const int statusHeight = mnuShowStatusBar->isChecked() ? StatusBarHeight : 0;
  const WindowHeightLimits limits =
      ComputeWindowLayout(normal, ClientHeight() >= TallClientHeight, external,
                          Settings.ShowIndexDir == "1", statusHeight, FrameHeight(), height());
  pnlBody->setVisible(limits.BodyVisible);
  setMinimumHeight(limits.MinHeight);
  setMaximumHeight(limits.MaxHeight > 0 ? limits.MaxHeight : QWIDGETSIZE_MAX);
  if (height() != limits.WindowHeight) resize(width(), limits.WindowHeight);
  pnlHeader->setFixedHeight(limits.HeaderHeight);
  FormResize();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TfrmMain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) FormResize();
}

void TfrmMain::FormResize() {
  if (inResize_) return;
  inResize_ = true;
  if (!isMinimized()) {
    const bool normal = IsNormalAppearance(Settings.ScreenType);
    const bool tall = ClientHeight() >= TallClientHeight;
    const bool external = ResultsInExternalBrowser(Settings);
    const HeaderRowVisibility row = HeaderRowFor(normal, tall, external, width());
    for (QWidget* w : std::initializer_list<QWidget*>{lblListCount, cboListCount, lblSortType,
                                                      cboSortType}) {
      w->setVisible(row.CountAndSort);
    }
    chkShowContents->setVisible(row.ContentsBox);
    btnTutorial->setVisible(row.TutorialButton);
    const int header = HeaderHeight(normal, tall, external);
    pnlHeader->setFixedHeight(header);
    if (external) {
      const int h = header + (mnuShowIndexDirectory->isChecked() ? TargetPanelHeight : 0) +
                    (mnuShowStatusBar->isChecked() ? StatusBarHeight : 0) + FrameHeight();
      setMinimumHeight(h);
      setMaximumHeight(h);
      if (height() != h) resize(width(), h);
    }
  }
  edtTextContents->viewport()->update();
  inResize_ = false;
}

void TfrmMain::ApplyStatusBar() {
  stb->setVisible(mnuShowStatusBar->isChecked());
  stb->setFixedHeight(StatusBarHeight);
}

void TfrmMain::ApplyStayOnTop() {
  const bool onTop = mnuStayOnTop->isChecked();
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
  const bool visible = isVisible();
  const QRect geometry = this->geometry();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);  // hides a shown window
  if (visible) {
    setGeometry(geometry);
    show();
  }
}

// ---- Closing ---------------------------------------------------------------------------

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (FormCloseQuery()) {
    event->accept();
  } else {
    event->ignore();
  }
}

bool TfrmMain::FormCloseQuery() {
  if (closed_) return true;
  closed_ = true;
  edtResult->ClearResults();
  if (Settings.ResultUseTempDir == "1" && !ResultFilePath.empty() &&
      platform::FileExists(ResultFilePath)) {
    platform::DeleteFile(ResultFilePath);
  }
  Settings.ShowIndexDir = mnuShowIndexDirectory->isChecked() ? "1" : "0";
  Settings.Sort = "Score";
  SyncSortSelection(1);
  TakeHistoryFromBox(Settings, BoxItems(cboKeyword));

  if (IsReadOnlyFile(Settings.IniFileName)) {
    // Nothing at all goes to a read-only (or vanished) file.
    MRUManager->AutoSave = false;
    FormPlacement->Active = false;
    FormPlacement->IniFileName.clear();
    return true;
  }
  SaveSettings(Settings, Settings.IniFileName);
  StorePlacementAndRecent(MRUManager->AutoSave && recentLoaded_);
  return true;
}

void TfrmMain::StorePlacementAndRecent(bool writeRecent) {
  const bool writePlacement = FormPlacement->Active && !FormPlacement->IniFileName.empty();
  if (!writeRecent && !writePlacement) return;
  TWindowPlacement placement = TFormPlacement::PlacementOf(this);
  if (writeRecent) {
    WriteRecentAndPlacement(Settings.IniFileName, MRUManager->Items(),
                            writePlacement ? &placement : nullptr, FormPlacement->IniSection);
  } else {
    // The recent directories were never loaded (the window was not shown):
    // the stored ones are written back unchanged.
    WriteRecentAndPlacement(Settings.IniFileName, ReadRecentDirectories(Settings.IniFileName),
                            &placement, FormPlacement->IniSection);
  }
}

// ---- Search ------------------------------------------------------------------------------

bool TfrmMain::ParseIndexField(std::string& text) {
  auto field = BoxText(cboIndexDir);
  if (!field) {
    ShowMessageBox(this, QStringLiteral("エラー"),
                   QStringLiteral("検索場所に Shift-JIS で表せない文字が含まれています。"),
                   QMessageBox::Critical);
    return false;
  }
  text = TrimBlanks(*field);
  Settings.IndexDirectories = ParseIndexDirectoryList(text);
  Settings.DirectoryCount = std::to_string(Settings.IndexDirectories.size());
  Settings.IndexDirectoriesText = JoinQuotedDirectories(Settings.IndexDirectories);
  return true;
}

void TfrmMain::btnSearchClick() {
  if (!btnSearch->isEnabled() || searching_) return;
  std::string indexText;
  if (!ParseIndexField(indexText)) return;
  UpdateTitle();
  if (SettingsInt(Settings.DirectoryCount, 0) <= 0) {
    ShowMessageBox(this, ErrorCaption, NoIndexDirectoryMessage, QMessageBox::Critical);
    return;
  }
  if (ValidateQuery()) return;
  const QString formula = cboKeyword->currentText().trimmed();
  AddQueryToHistory(formula);
  RunSearch(std::string(TrimBlanks(QStringToSjisLossy(formula))));
}

bool TfrmMain::ValidateQuery() {
  UpdateTitle();
  auto formula = BoxText(cboKeyword);
  if (!formula) {
    ShowMessageBox(this, QStringLiteral("エラー"),
                   QStringLiteral("検索式に Shift-JIS で表せない文字が含まれています。"),
                   QMessageBox::Critical);
    return true;
  }
  if (IsBlankFormula(*formula)) {
    ShowMessageBox(this, ErrorCaption, NoFormulaMessage, QMessageBox::Critical);
    cboKeyword->setEditText(QString());
    return true;
  }
  return false;
}

void TfrmMain::AddQueryToHistory(const QString& formula) {
  std::vector<std::string> items = BoxItems(cboKeyword);
  AddToTopOfList(items, QStringToSjisLossy(formula));
  cboKeyword->clear();
  for (const std::string& item : items) cboKeyword->addItem(SjisToQString(item));
  cboKeyword->setCurrentIndex(0);
  cboKeyword->setEditText(formula);
}

SearchViewState TfrmMain::ViewState() const {
  SearchViewState view;
  view.Sort = TSortKind::skNone;
  if (mnuSortEarlier->isChecked()) {
    view.Sort = TSortKind::skEarlier;
  } else if (mnuSortLater->isChecked()) {
    view.Sort = TSortKind::skLater;
  } else {
    for (size_t i = 2; i < sortItems_.size(); ++i) {
      if (sortItems_[i]->isChecked()) {
        view.Sort = static_cast<TSortKind>(i + 1);
        break;
      }
    }
  }
  view.Ascending = mnuSortAscending->isChecked();
  view.ContentsOff = mnuContentsOff->isChecked();
  view.ListCountAll = mnuListCountAll->isChecked();
  return view;
}

void TfrmMain::RunSearch(const std::string& formula) {
  if (searching_) return;
  searching_ = true;
  btnSearch->setEnabled(false);
  // The button comes back however the search ends.
  struct EnableAgain {
    TfrmMain* window;
    ~EnableAgain() {
      window->searching_ = false;
      window->btnSearch->setEnabled(true);
    }
  } enableAgain{this};
  const bool external = ResultsInExternalBrowser(Settings);
  if (!external) {
    pge->setCurrentWidget(tabResult);
    edtResult->setFocus();
    edtResult->ClearResults();
    edtResult->SetMessageText(SjisToQString(SearchingText));
  }
  QCoreApplication::processEvents();

  const std::string programFolder = ProgramFolder();
  const bool namazurcExists =
      Settings.UseNamazurc == "1" &&
      platform::FileExists(NamazurcFilePath(Settings, DriveConstantList));
  const SearchCommand command = BuildSearchCommand(
      Settings, ViewState(), formula, ResultFolder(Settings, platform::TempFolder(), programFolder),
      programFolder, DriveConstantList, namazurcExists);
  ResultFilePath = command.ResultFilePath;

  auto confirm = [this, external](const std::string& commandLine) {
    const QString question = SjisToQString(ConfirmQuestionText(commandLine, external));
    if (!external) {
      edtResult->SetMessageText(SjisToQString(commandLine));
      if (ShowMessageBox(this, ConfirmCommandLineCaption, ConfirmQuestionText(commandLine, false),
                         QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) !=
          QMessageBox::Yes) {
        return false;
      }
      edtResult->SetMessageText(SjisToQString(SearchingText));
      edtResult->repaint();
      return true;
    }
    edtResult->ClearResults();
    if (ShowMessageBox(this, SjisToQString(ConfirmCommandLineCaption), question,
                       QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes) {
      QApplication::clipboard()->setText(SjisToQString(commandLine));
      return false;
    }
    return true;
  };
  auto runner = [this](const std::string& commandLine, const std::string& workingFolder) {
    // The window takes no input while the searcher runs.
    setEnabled(false);
    const intptr_t started = RunConsoleProcess(commandLine, workingFolder, psmHidden, nullptr);
    setEnabled(true);
    return started != 0 ? 1 : 0;
  };
  const SearchRunOutcome outcome =
      RunSearchCommand(Settings, command, programFolder, confirm, runner);
  if (outcome.Result == TSearchRunResult::srrDeclined) return;

  edtResult->ClearResults();
  if (outcome.Result == TSearchRunResult::srrResultMissing) {
    ShowMessageBox(this, ErrorCaption, outcome.Message, QMessageBox::Warning);
    return;
  }
  QCoreApplication::processEvents();
  if (DisplaysInWebBrowser(Settings)) {
    WebBrowser1->SetTag(1);
    ShowInBrowser(ResultFilePath);
  } else {
    pge->setCurrentWidget(tabResult);
    edtResult->setFocus();
    pgeChange();
    edtResult->ShowResultFile(ResultFilePath, SettingsInt(Settings.FileNameBlankLineNext, 0),
                              SettingsInt(Settings.FileNameSpaceFromEnd, 0),
                              !mnuColored->isChecked());
    if (Settings.ResultUseTempDir == "1") platform::DeleteFile(ResultFilePath);
  }
  const std::string indexText = QStringToSjisLossy(cboIndexDir->currentText());
  if (!MRUManager->Contains(indexText)) {
    MRUManager->Add(indexText);
    const QString shown = cboIndexDir->currentText();
    cboIndexDir->addItem(SjisToQString(indexText));
    cboIndexDir->setEditText(shown);
  }
}

void TfrmMain::cboKeywordEnter() {
  btnSearch->setDefault(true);
  btnSearch->setAutoDefault(true);
}

void TfrmMain::cboKeywordExit() { btnSearch->setDefault(false); }

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    const auto* focus = static_cast<QFocusEvent*>(event);
    const bool popup = focus->reason() == Qt::PopupFocusReason;
    if (watched == cboKeyword) {
      if (event->type() == QEvent::FocusIn) {
        cboKeywordEnter();
      } else if (!popup) {
        cboKeywordExit();
      }
    } else if (watched == cboListCount && event->type() == QEvent::FocusOut && !popup) {
      cboListCountExit();
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- Sort order and hit count ---------------------------------------------------------

void TfrmMain::CheckSortKind(TSortKind kind) {
  if (kind == TSortKind::skNone) return;
  sortItems_[static_cast<size_t>(kind) - 1]->setChecked(true);
}

TSortKind TfrmMain::CheckedSortKind() const {
  static constexpr TSortKind order[] = {
      TSortKind::skLater, TSortKind::skEarlier, TSortKind::skScore, TSortKind::skTitle,
      TSortKind::skDate,  TSortKind::skUri,     TSortKind::skSize,  TSortKind::skFrom,
      TSortKind::skTo,    TSortKind::skNewsgroup};
  for (TSortKind kind : order) {
    if (sortItems_[static_cast<size_t>(kind) - 1]->isChecked()) return kind;
  }
  return TSortKind::skNone;
}

void TfrmMain::SyncSortSelection(int source) {
  if (source == 1) {
    const int selected = cboSortType->currentIndex();
    for (size_t i = 0; i < sortItems_.size(); ++i) {
      sortItems_[i]->setChecked(static_cast<int>(i) == selected);
    }
  }
  const TSortKind kind = CheckedSortKind();
  Settings.Sort = std::string(SortKeyword(kind));
  if (source == 2) {
    const TSortKind shown = kind == TSortKind::skNone ? TSortKind::skScore : kind;
    cboSortType->setCurrentIndex(static_cast<int>(shown) - 1);
  }
}

void TfrmMain::mnuSortEarlierClick(QAction* item) {
  item->setChecked(true);
  SyncSortSelection(2);
  if (Settings.SearchOnChangeSettings == "1" && btnSearch->isEnabled()) btnSearch->click();
}

void TfrmMain::mnuSortAscendingClick(QAction* item) {
  item->setChecked(true);
  if (Settings.SearchOnChangeSettings == "1") btnSearch->click();
}

void TfrmMain::cboSortTypeClick() { SyncSortSelection(1); }

QAction* TfrmMain::ListCountItem(int index) const {
  QAction* items[] = {mnuListCountTwenty, mnuListCountFifty, mnuListCountHundred, mnuListCountAll};
  return items[std::clamp(index, 0, 3)];
}

void TfrmMain::mnuListCountTwentyClick(QAction* item) {
  item->setChecked(true);
  if (item == mnuListCountAll) {
    Settings.ListCount = "All";
    cboListCount->setCurrentIndex(3);
  } else {
    Settings.ListCount = item == mnuListCountTwenty  ? "20"
                         : item == mnuListCountFifty ? "50"
                                                     : "100";
    cboListCount->setEditText(SjisToQString(Settings.ListCount));
  }
  if (Settings.SearchOnChangeSettings == "1") btnSearch->click();
}

void TfrmMain::cboListCountExit() {
  const int selected = cboListCount->findText(cboListCount->currentText(), Qt::MatchExactly);
  const ListCountChoice choice =
      ListCountFromBox(selected, QStringToSjisLossy(cboListCount->currentText()));
  Settings.ListCount = choice.ListCount;
  ListCountItem(static_cast<int>(choice.Item))->setChecked(true);
  if (choice.SelectFirstItem) cboListCount->setCurrentIndex(0);
}

void TfrmMain::mnuListCountClick() {
  QWidget* focus = QApplication::focusWidget();
  if (focus == cboListCount || focus == cboListCount->lineEdit()) cboListCountExit();
}

void TfrmMain::mnuContentsOnClick(QAction* item) {
  item->setChecked(true);
  const bool on = item == mnuContentsOn;
  Settings.ShowContents = on ? "1" : "0";
  chkShowContents->setChecked(on);
  if (Settings.SearchOnChangeSettings == "1") btnSearch->click();
}

void TfrmMain::chkShowContentsClick() {
  (chkShowContents->isChecked() ? mnuContentsOn : mnuContentsOff)->setChecked(true);
}

// ---- Result list and documents -------------------------------------------------------

bool TfrmMain::ShellOpen(const std::string& pathOrUrl) {
  QUrl url;
  if (IsWebAddress(pathOrUrl)) {
    url = QUrl(SjisToQString(pathOrUrl), QUrl::TolerantMode);
  } else {
    // A local path, possibly in "file://" form; the file is opened as named
    // (a "#" in it is part of the name).
    std::string path = pathOrUrl;
    if (path.size() >= 7 && IsWord(std::string_view(path).substr(0, 7), "file://")) path.erase(0, 7);
    auto utf8 = platform::Cp932ToUtf8(path);
    if (utf8 && !utf8->empty()) {
      url = QUrl::fromLocalFile(
          QString::fromUtf8(utf8->data(), static_cast<qsizetype>(utf8->size())));
    }
  }
  if (url.isValid() && !url.isEmpty() && OpenURLByShell(url)) return true;
  shellOpenFailed_ = true;
  stb->showMessage(SjisToQString(ShellOpenFailedText));
  return false;
}

void TfrmMain::OpenHitAt(int32_t offset, bool insideProgram) {
  if (edtResult->HitCount() == 0) return;
  const int index = FindHitAt(edtResult->Hits(), offset);
  if (index < 0) return;
  CurrentHitIndex = index;
  PrepareHitPath(index);
  shellOpenFailed_ = false;
  if (insideProgram) {
    OpenHit(index);
  } else {
    ShellOpen(CutFragmentInExtension(CurrentDocumentPath));
  }
  pgeChange();
  // The page's status text must not hide a failure to start the application.
  if (shellOpenFailed_) stb->showMessage(SjisToQString(ShellOpenFailedText));
}

void TfrmMain::PrepareHitPath(int index) {
  CurrentDocumentPath = tavirel::PrepareHitPath(edtResult->Hits()[static_cast<size_t>(index)].Uri,
                                                ProgramFolder(), DriveConstantList);
}

void TfrmMain::OpenHit(int index) {
  if (index < 0 || index >= edtResult->HitCount()) {
    QApplication::beep();
    return;
  }
  PrepareHitPath(index);
  const TOpenDecision decision =
      ChooseViewer(Settings.HowToOpen, CurrentDocumentPath, DocTypeDefinition);
  switch (decision.Viewer) {
    case TDocumentViewer::Html:
      OpenHitAsHTML(index);
      break;
    case TDocumentViewer::Text:
      OpenHitAsText(index);
      break;
    case TDocumentViewer::System:
      // The views stay as they are; a failure shows in the status bar.
      CurrentHitIndex = index;
      ShellOpen(decision.ShellPath);
      break;
  }
}

void TfrmMain::OpenHitAsText(int index) {
  if (index < 0 || index >= edtResult->HitCount()) return;
  PrepareHitPath(index);
  pnlSubject->setText(SjisToQString(edtResult->Hits()[static_cast<size_t>(index)].Title));
  pnlSubject->repaint();
  CurrentHitIndex = index;

  edtTextContents->clear();
  edtTextContents->SetDocumentPath(CurrentDocumentPath);
  pge->setCurrentWidget(tabTextDoc);
  edtTextContents->setFocus();
  pgeChange();

  const TTextOptions options =
      TextOptionsFor(Settings.HowToOpen, Settings.Convert, Settings.DecodeHeader, DocTypeDefinition);
  const TDocumentText document = LoadDocumentText(CurrentDocumentPath, options);
  if (document.Status != TDocumentLoadStatus::Ok) {
    // The tab stays active and empty, with the hit's title above it.
    ShowMessageBox(this, ErrorCaption, document.Message, QMessageBox::Critical);
    return;
  }
  edtTextContents->ShowText(document.Text.Text, document.Text.Encoding, document.Text.BodyLine);
}

void TfrmMain::OpenHitAsHTML(int index) {
  if (index < 0 || index >= edtResult->HitCount()) return;
  PrepareHitPath(index);
  CurrentHitIndex = index;
  pnlTitle->setText(SjisToQString(edtResult->Hits()[static_cast<size_t>(index)].Title));
  pnlTitle->repaint();

  switch (RouteForHit(Settings.WebBrowserDisplayTo, Settings.BrowserType)) {
    case TBrowserRoute::Netscape:
      OpenURLByNetscape(CurrentDocumentPath, Settings.NavigatorPath);
      break;
    case TBrowserRoute::InternetExplorer:
      OpenURLByInternetExplorer(CurrentDocumentPath);
      break;
    case TBrowserRoute::Shell:
      OpenURLByShell(CurrentDocumentPath);
      break;
    case TBrowserRoute::Internal:
      // The tab first: a navigation inside the HTML tab follows the rules of
      // WebBrowser1BeforeNavigate2. The fragment takes the view to its anchor.
      pge->setCurrentWidget(tabHTMLDoc);
      WebBrowser1->SetTag(1);
      WebBrowser1->Navigate(CurrentDocumentPath);
      pgeChange();
      break;
  }
}

void TfrmMain::ShowInBrowser(const std::string& url) {
  switch (RouteForPage(Settings.WebBrowserDisplayTo, Settings.BrowserType)) {
    case TBrowserRoute::Internal:
      // Requested while the previous tab is still active, so that the page
      // loads unless the HTML tab was already showing; the tab follows also
      // when the page could not be shown.
      WebBrowser1->Navigate(url);
      pge->setCurrentWidget(tabHTMLDoc);
      pgeChange();
      break;
    case TBrowserRoute::Netscape:
      OpenURLByNetscape(LocalPathToUrl(url, NativePathStyle), Settings.NavigatorPath);
      break;
    case TBrowserRoute::InternetExplorer:
      OpenURLByInternetExplorer(url);
      break;
    case TBrowserRoute::Shell:
      OpenURLByShell(url);
      break;
  }
}

void TfrmMain::WebBrowser1BeforeNavigate2(const QString& url, bool& cancel) {
  TNavigateContext context;
  context.HtmlPageActive = pge->currentWidget() == tabHTMLDoc;
  context.ResultFilePath = ResultFilePath;
  context.HowToOpen = Settings.HowToOpen;
  context.UseDriveConstantsWebBrowser = Settings.UseDriveConstantsWebBrowser;
  context.ProgramFolder = ProgramFolder();
  context.DriveConstantList = DriveConstantList;
  // The view reports the target fully percent-encoded, so it is ASCII.
  const TNavigateDecision decision = DecideBeforeNavigate(url.toStdString(), context);
  switch (decision.Action) {
    case TNavigateAction::Proceed:
      break;
    case TNavigateAction::OpenWithShell:
      cancel = true;
      ShellOpen(decision.Target);
      break;
    case TNavigateAction::Redirect:
      cancel = true;
      WebBrowser1->Navigate(decision.Target);
      break;
  }
}

void TfrmMain::WebBrowser1DocumentComplete(const QString& /*url*/) {
  const TDocumentCompleteAction action = DocumentCompleteRule(WebBrowser1->Tag());
  if (action.FocusDocument) WebBrowser1->FocusDocument();
  WebBrowser1->SetTag(action.NewTag);
}

QString TfrmMain::PageStatusText() const {
  QWidget* page = pge->currentWidget();
  const TDocumentPage which = page == tabResult    ? TDocumentPage::Result
                              : page == tabTextDoc ? TDocumentPage::TextDoc
                                                   : TDocumentPage::HtmlDoc;
  return SjisToQString(StatusTextForPage(which));
}

void TfrmMain::pgeChange() {
  const QString text = PageStatusText();
  if (text.isEmpty()) {
    stb->clearMessage();
  } else {
    stb->showMessage(text);
  }
  if (pge->currentWidget() == tabHTMLDoc && QApplication::focusWidget() == WebBrowser1 &&
      WebBrowser1->HasDocument()) {
    WebBrowser1->FocusDocument();
  }
}

void TfrmMain::btnNextClick() { OpenHit(CurrentHitIndex + 1); }

void TfrmMain::btnPreviousClick() { OpenHit(CurrentHitIndex - 1); }

void TfrmMain::btnResultClick() {
  if (Settings.ResultDisplayTo == "WebBrowser" && !ResultFilePath.empty() &&
      platform::FileExists(ResultFilePath)) {
    ShowInBrowser(ResultFilePath);
  }
}

void TfrmMain::edtTextContentsStatusText(const QString& text) { stb->showMessage(text); }

void TfrmMain::edtTextContentsOpenInBrowser() {
  WebBrowser1->SetTag(1);
  WebBrowser1->Navigate(CurrentDocumentPath);
  pge->setCurrentWidget(tabHTMLDoc);
  pgeChange();
}

void TfrmMain::edtTextContentsOpenWithApplication() {
  // The file itself: a fragment would name a file that does not exist.
  ShellOpen(CutFragmentInExtension(CurrentDocumentPath));
}

void TfrmMain::edtTextContentsBackToResult() {
  pge->setCurrentWidget(tabResult);
  edtResult->setFocus();
  pgeChange();
}

void TfrmMain::PopupAt(QWidget* view, const QPoint& pos) {
  pmnu->popup(view->mapToGlobal(pos));
}

void TfrmMain::pmnuPopup() {
  bool selection = false;
  if (pge->currentWidget() == tabResult) {
    selection = edtResult->textCursor().hasSelection();
  } else if (pge->currentWidget() == tabTextDoc) {
    selection = edtTextContents->textCursor().hasSelection();
  }
  mnuCopy->setEnabled(selection);
}

void TfrmMain::mnuCopyClick() {
  if (pge->currentWidget() == tabResult) {
    if (edtResult->textCursor().hasSelection()) edtResult->copy();
  } else if (pge->currentWidget() == tabTextDoc) {
    if (edtTextContents->textCursor().hasSelection()) edtTextContents->copy();
  }
}

// ---- View commands ------------------------------------------------------------------------

void TfrmMain::MRUManagerClick(const std::string& entry) {
  cboIndexDir->setEditText(SjisToQString(entry));
  Settings.IndexDirectories = ParseIndexDirectoryList(TrimBlanks(entry));
  Settings.DirectoryCount = std::to_string(Settings.IndexDirectories.size());
  Settings.IndexDirectoriesText = JoinQuotedDirectories(Settings.IndexDirectories);
}

// Exit closes the window the ordinary way, so that FormCloseQuery saves the
// history, the sort order and the recent directories.
void TfrmMain::mnuExitClick() { close(); }

void TfrmMain::mnuColoredClick() {
  Settings.Color = mnuColored->isChecked() ? "0" : "1";
}

void TfrmMain::mnuShowIndexDirectoryClick() {
  const bool shown = mnuShowIndexDirectory->isChecked();
  pnlTarget->setVisible(shown);
  Settings.ShowIndexDir = shown ? "1" : "0";
  ApplyWindowLayout();
}

void TfrmMain::mnuShowStatusBarClick() {
  Settings.ShowStatusBar = mnuShowStatusBar->isChecked() ? "1" : "0";
  ApplyStatusBar();
  FormResize();
}

void TfrmMain::mnuStayOnTopClick() {
  Settings.StayOnTop = mnuStayOnTop->isChecked() ? "1" : "0";
  ApplyStayOnTop();
}

void TfrmMain::ChooseFont(std::string& name, std::string& size, std::string& bold) {
  QFont initial(SjisToQString(FontNameFromSetting(name)));
  initial.setPointSize(FontSizeFromSetting(size));
  initial.setBold(bold == "1");
  QFontDialog dlgFont(initial, this);
  dlgFont.setObjectName(QStringLiteral("dlgFont"));
  dlgFont.setOption(QFontDialog::DontUseNativeDialog);
  if (dlgFont.exec() != QDialog::Accepted) return;
  const QFont chosen = dlgFont.selectedFont();
  // A family name that Shift-JIS cannot write keeps the stored name.
  if (auto family = QStringToSjis(chosen.family())) name = *family;
  const int points = chosen.pointSize() > 0 ? chosen.pointSize() : FallbackFontSize;
  size = std::to_string(points);
  bold = chosen.bold() ? "1" : "0";
  ShowMessageBox(this, AppTitle, QStringLiteral("フォントの設定は次回起動時から有効です。"),
                 QMessageBox::Information);
}

void TfrmMain::mnuFontResultClick() {
  ChooseFont(Settings.FontNameResult, Settings.FontSizeResult, Settings.FontBoldResult);
}

void TfrmMain::mnuFontTextContentsClick() {
  ChooseFont(Settings.FontNameText, Settings.FontSizeText, Settings.FontBoldText);
}

void TfrmMain::mnuAppearanceNormalClick(QAction* item) {
  item->setChecked(true);
  Settings.ScreenType = item == mnuAppearanceSmall ? "Small" : "Normal";
  FormResize();
  ApplyWindowLayout();
}

void TfrmMain::mnuDocPlainTextClick(QAction* item) {
  item->setChecked(true);
  const TDocTypeItem types[] = {TDocTypeItem::dtiPlainText, TDocTypeItem::dtiMailNews,
                                TDocTypeItem::dtiHtml, TDocTypeItem::dtiSystem,
                                TDocTypeItem::dtiByExtension};
  const QAction* items[] = {mnuDocPlainText, mnuDocMailNews, mnuDocHTML, mnuDocSystemAuto,
                            mnuDocByExtension};
  for (size_t i = 0; i < std::size(items); ++i) {
    if (items[i] == item) Settings.HowToOpen = std::string(DocTypeKeyword(types[i]));
  }
}

void TfrmMain::mnuConvertToSJISClick(QAction* item) {
  item->setChecked(true);
  Settings.Convert = item == mnuConvertNone ? "None" : "ToSJIS";
  ReopenCurrentText();
}

void TfrmMain::mnuDecodeHeaderClick() {
  Settings.DecodeHeader = mnuDecodeHeader->isChecked() ? "1" : "0";
  ReopenCurrentText();
}

void TfrmMain::ReopenCurrentText() {
  if (pge->currentWidget() == tabTextDoc) OpenHit(CurrentHitIndex);
}

void TfrmMain::mnuShowDriveInfoClick() {
  BuildDriveConstantList();
  if (DriveConstantList.empty()) return;
  std::string text;
  for (const std::string& line : DriveConstantList) {
    if (!text.empty()) text += "\n";
    text += line;
  }
  ShowMessageBox(this, QStringLiteral("ドライブ情報"), SjisToQString(text),
                 QMessageBox::Information);
}

void TfrmMain::mnuHelpStartClick() {
  WebBrowser1->SetTag(0);
  ShowInBrowser(StartHelpPath(ProgramFolder()));
}

void TfrmMain::mnuHelpTavirelClick() {
  pnlTitle->setText(QStringLiteral("tavirel for Namazu ヘルプ"));
  WebBrowser1->SetTag(1);
  ShowInBrowser(ProgramHelpPath(ProgramFolder()));
}

void TfrmMain::ShowNamazuDoc(const char* page) {
  const std::string namazu = ExpandDriveConstant(
      ExpandProgramRelativePath(Settings.namazuPath, ProgramFolder(), NativePathStyle),
      DriveConstantList);
  std::string path = NamazuDocPath(namazu, page, NativePathStyle);
  if (!platform::FileExists(path)) {
    const std::string fallback = NamazuDocFallbackPath(page);
    if (platform::FileExists(fallback)) path = fallback;
  }
  ShowInBrowser(path);
}

void TfrmMain::mnuHelpNamazuManualClick() { ShowNamazuDoc("manual.html"); }

void TfrmMain::mnuHelpNamazuTutorialClick() { ShowNamazuDoc("tutorial.html"); }

void TfrmMain::mnuHelpAboutClick() {
  // Lives for its one modal showing.
  TfrmAbout frmAbout(this);
  frmAbout.exec();
}

}  // namespace tavirel
