// The main window's controls and menus: names, captions, shortcuts and hints.
#include "ui/search/mainwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/search/htmlview.h"
#include "ui/search/indexupdate.h"
#include "ui/search/indexwatch.h"
#include "ui/search/localenotice.h"
#include "ui/search/placement.h"
#include "ui/search/recentdirs.h"
#include "ui/search/resultview.h"
#include "ui/search/textview.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {

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
  // Earlier formulas are offered in a list under the box while the user
  // types; the box keeps what was typed until one of them is chosen with the
  // arrow keys or a click, so that Enter searches exactly what is shown.
  QCompleter* history = cboKeyword->completer();
  history->setCompletionMode(QCompleter::PopupCompletion);
  history->setFilterMode(Qt::MatchContains);
  history->setCaseSensitivity(Qt::CaseInsensitive);
  lblKeyword->setBuddy(cboKeyword);
  btnSelectKeywordList = new QToolButton(pnlHeader);
  btnSelectKeywordList->setObjectName(QStringLiteral("btnSelectKeywordList"));
  btnSelectKeywordList->setText(QStringLiteral("..."));
  btnSelectKeywordList->setToolTip(QStringLiteral("一覧から選択"));
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
  edtResult->setAccessibleName(QStringLiteral("検索結果"));
  resultLayout->addWidget(edtResult);
  pnlPaging = new QWidget(tabResult);
  pnlPaging->setObjectName(QStringLiteral("pnlPaging"));
  auto* pagingRow = new QHBoxLayout(pnlPaging);
  pagingRow->setContentsMargins(2, 2, 2, 2);
  lblPage = new QLabel(pnlPaging);
  lblPage->setObjectName(QStringLiteral("lblPage"));
  lblPage->setTextFormat(Qt::PlainText);
  btnPreviousPage = new QPushButton(QStringLiteral("前のページ"), pnlPaging);
  btnPreviousPage->setObjectName(QStringLiteral("btnPreviousPage"));
  btnNextPage = new QPushButton(QStringLiteral("次のページ"), pnlPaging);
  btnNextPage->setObjectName(QStringLiteral("btnNextPage"));
  for (QPushButton* button : {btnPreviousPage, btnNextPage}) button->setAutoDefault(false);
  pagingRow->addWidget(lblPage, 1);
  pagingRow->addWidget(btnPreviousPage);
  pagingRow->addWidget(btnNextPage);
  pnlPaging->hide();
  resultLayout->addWidget(pnlPaging);
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
  edtTextContents->setAccessibleName(QStringLiteral("テキスト文書"));
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
  WebBrowser1->setAccessibleName(QStringLiteral("HTML文書"));
  htmlLayout->addWidget(WebBrowser1, 1);
  pge->addTab(tabHTMLDoc, QStringLiteral("HTML文書(&3)"));

  column->addWidget(pnlBody, 1);
  setCentralWidget(central);

  stb = new QStatusBar(this);
  stb->setObjectName(QStringLiteral("stb"));
  stb->setFixedHeight(StatusBarHeight);
  stb->setSizeGripEnabled(false);
  // What the searched indexes hold, at the right beside the page's text.
  lblIndexStatus = new QLabel(stb);
  lblIndexStatus->setObjectName(QStringLiteral("lblIndexStatus"));
  stb->addPermanentWidget(lblIndexStatus);
  lblLocaleNotice = AddLocaleNotice(stb);
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
  IndexWatch = new TIndexWatch(this);
  IndexUpdater = new TIndexUpdater(this, std::string(), std::string());
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
  mnuSelectAlias =
      AddMenuItem(mnuSearchMenu, "mnuSelectAlias", QStringLiteral("エイリアスから選択(&A)..."));
  mnuSelectAlias->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  mnuSearchMenu->addSeparator();
  mnuRecentDirectory = AddSubMenu(mnuSearchMenu, "mnuRecentDirectory",
                                  QStringLiteral("最近使ったディレクトリ(&T)"));
  mnuSearchMenu->addSeparator();
  mnuNextPage = AddMenuItem(mnuSearchMenu, "mnuNextPage", QStringLiteral("次のページ(&N)"));
  mnuNextPage->setShortcut(QKeySequence(Qt::ALT | Qt::Key_PageDown));
  mnuPreviousPage =
      AddMenuItem(mnuSearchMenu, "mnuPreviousPage", QStringLiteral("前のページ(&P)"));
  mnuPreviousPage->setShortcut(QKeySequence(Qt::ALT | Qt::Key_PageUp));
  mnuNextPage->setEnabled(false);
  mnuPreviousPage->setEnabled(false);
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
  mnuUpdateIndex = AddMenuItem(mnuIndex, "mnuUpdateIndex", QStringLiteral("インデックスを更新(&U)"));
  mnuUpdateIndex->setEnabled(false);

  mnuTool = AddSubMenu(nullptr, "mnuTool", QStringLiteral("ツール(&T)"));
  mnuSetNamazurc = AddMenuItem(mnuTool, "mnuSetNamazurc", QStringLiteral("namazurc の設定(&S)..."));
  mnuShowDriveInfo =
      AddMenuItem(mnuTool, "mnuShowDriveInfo", QStringLiteral("ドライブ情報の表示(&D)..."));
  mnuTool->addSeparator();
  mnuToolOption = AddMenuItem(mnuTool, "mnuToolOption", QStringLiteral("オプション(&O)..."));

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

}  // namespace tavirel
