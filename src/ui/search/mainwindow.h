// TfrmMain: the main window. It gathers the state of its boxes and menus,
// hands the search to the core (core/search/searchcmd.h), shows the result list, and
// keeps the view settings, the formula history, the recent index directories
// and the window placement in step with the settings file.
#pragma once

#include <QMainWindow>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/search/document.h"
#include "core/search/mainview.h"
#include "core/search/resultpage.h"
#include "core/search/searchcmd.h"
#include "core/search/searchwords.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTextEdit;
class QTimer;
class QToolButton;
class QVBoxLayout;

namespace tavirel {

class TFormPlacement;
class TIndexUpdater;
class TIndexWatch;
class THtmlView;
class TMRUManager;
class TResultView;
class TTextView;

class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // Test hook: a settings file to use instead of the one beside the
  // executable. Empty (the default) keeps the normal rule.
  static void SetSettingsFileOverride(const std::string& path);
  // Closes the window without asking anything, as when the session ends or
  // the program is told to end: a background update is stopped.
  void EndRequested();

  // ---- Controls -------------------------------------------------------------
  QWidget* pnlTarget = nullptr;
  QLabel* lblIndexDir = nullptr;
  QComboBox* cboIndexDir = nullptr;
  QPushButton* btnBrowseIndexPath = nullptr;
  QWidget* pnlHeader = nullptr;
  QLabel* lblKeyword = nullptr;
  QComboBox* cboKeyword = nullptr;
  QToolButton* btnSelectKeywordList = nullptr;
  QPushButton* btnSearch = nullptr;
  QLabel* lblListCount = nullptr;
  QComboBox* cboListCount = nullptr;
  QLabel* lblSortType = nullptr;
  QComboBox* cboSortType = nullptr;
  QCheckBox* chkShowContents = nullptr;
  QToolButton* btnTutorial = nullptr;
  QWidget* pnlBody = nullptr;
  QTabWidget* pge = nullptr;
  QWidget* tabResult = nullptr;
  TResultView* edtResult = nullptr;
  // Under the list while it shows part of the hits: which ones, and the
  // neighbouring pages.
  QWidget* pnlPaging = nullptr;
  QLabel* lblPage = nullptr;
  QPushButton* btnPreviousPage = nullptr;
  QPushButton* btnNextPage = nullptr;
  QWidget* tabTextDoc = nullptr;
  QLabel* pnlSubject = nullptr;
  QPushButton* btnPrevious = nullptr;
  QPushButton* btnNext = nullptr;
  TTextView* edtTextContents = nullptr;
  QWidget* tabHTMLDoc = nullptr;
  QLabel* pnlTitle = nullptr;
  QPushButton* btnResult = nullptr;
  QPushButton* btnPreviousW = nullptr;
  QPushButton* btnNextW = nullptr;
  THtmlView* WebBrowser1 = nullptr;
  QStatusBar* stb = nullptr;
  QLabel* lblIndexStatus = nullptr;  // in stb: the searched indexes' status
  QLabel* lblLocaleNotice = nullptr;  // in stb when Namazu can only answer in English
  QMenu* pmnu = nullptr;
  QAction* mnuCopy = nullptr;
  TMRUManager* MRUManager = nullptr;
  // Watches the document folders of the searched indexes.
  TIndexWatch* IndexWatch = nullptr;
  // Brings the indexes with changes up to date in the background.
  TIndexUpdater* IndexUpdater = nullptr;
  TFormPlacement* FormPlacement = nullptr;

  // ---- Menus ----------------------------------------------------------------
  QMenu* mnuSearchMenu = nullptr;       // 検索(&F)
  QAction* mnuSelectDirectory = nullptr;
  QAction* mnuSelectAlias = nullptr;
  QMenu* mnuRecentDirectory = nullptr;
  QAction* mnuNextPage = nullptr;
  QAction* mnuPreviousPage = nullptr;
  QAction* mnuExit = nullptr;
  QMenu* mnuView = nullptr;             // 表示(&V)
  QMenu* mnuSort = nullptr;
  QAction* mnuSortEarlier = nullptr;
  QAction* mnuSortLater = nullptr;
  QAction* mnuSortScore = nullptr;
  QAction* mnuSortTitle = nullptr;
  QAction* mnuSortDateHeader = nullptr;
  QAction* mnuSortFileName = nullptr;
  QAction* mnuSortFileSize = nullptr;
  QAction* mnuSortFrom = nullptr;
  QAction* mnuSortTo = nullptr;
  QAction* mnuSortNewsGroup = nullptr;
  QAction* mnuSortAscending = nullptr;
  QAction* mnuSortDescending = nullptr;
  QMenu* mnuContents = nullptr;
  QAction* mnuContentsOn = nullptr;
  QAction* mnuContentsOff = nullptr;
  QMenu* mnuListCount = nullptr;
  QAction* mnuListCountTwenty = nullptr;
  QAction* mnuListCountFifty = nullptr;
  QAction* mnuListCountHundred = nullptr;
  QAction* mnuListCountAll = nullptr;
  QAction* mnuColored = nullptr;
  QMenu* mnuConvert = nullptr;
  QAction* mnuConvertToSJIS = nullptr;
  QAction* mnuConvertNone = nullptr;
  QAction* mnuConvertNkf = nullptr;
  QAction* mnuDecodeHeader = nullptr;
  QMenu* mnuFont = nullptr;
  QAction* mnuFontResult = nullptr;
  QAction* mnuFontTextContents = nullptr;
  QMenu* mnuAppearance = nullptr;
  QAction* mnuAppearanceNormal = nullptr;
  QAction* mnuAppearanceSmall = nullptr;
  QAction* mnuShowIndexDirectory = nullptr;
  QAction* mnuShowStatusBar = nullptr;
  QAction* mnuStayOnTop = nullptr;
  QMenu* mnuDocType = nullptr;          // 文書の種類(&W)
  QAction* mnuDocPlainText = nullptr;
  QAction* mnuDocMailNews = nullptr;
  QAction* mnuDocHTML = nullptr;
  QAction* mnuDocSystemAuto = nullptr;
  QAction* mnuDocByExtension = nullptr;
  QMenu* mnuIndex = nullptr;            // インデックス(&I)
  QAction* mnuMakeIndex = nullptr;
  QAction* mnuUpdateIndex = nullptr;
  QMenu* mnuTool = nullptr;             // ツール(&T)
  QAction* mnuSetNamazurc = nullptr;
  QAction* mnuShowDriveInfo = nullptr;
  QAction* mnuToolOption = nullptr;
  QMenu* mnuHelp = nullptr;             // ヘルプ(&H)
  QAction* mnuHelpStart = nullptr;
  QAction* mnuHelpTavirel = nullptr;
  QMenu* mnuHelpNamazu = nullptr;
  QAction* mnuHelpNamazuManual = nullptr;
  QAction* mnuHelpNamazuTutorial = nullptr;
  QAction* mnuHelpAbout = nullptr;

  // ---- State ------------------------------------------------------------------
  int CurrentHitIndex = 0;
  std::string CurrentDocumentPath;
  std::string ResultFilePath;
  // How long changes must be quiet before the automatic update runs.
  int AutoUpdateQuietMs = 60000;
  // The part of all the hits the last result shows.
  TResultPage ResultPage;
  // The classification of the last document opened by its extension.
  TDocTypeDefinition DocTypeDefinition;

  // ---- Start, layout and end -----------------------------------------------------
  void FormCreate();
  void FormShow();
  void FormResize();
  // Always allows the close; writes the settings unless the file is read-only.
  bool FormCloseQuery();
  void ApplySettingsToWindow();
  void ApplyWindowLayout();
  void UpdateTitle();
  // The height of the window's part above its client area (the menu bar).
  int FrameHeight() const;
  int ClientHeight() const;

  // ---- Search ---------------------------------------------------------------------
  // The title above the HTML view while it shows the result page.
  static inline const QString ResultPageTitle = QStringLiteral("検索結果");
  // The items of a box in Shift-JIS (characters it cannot write dropped).
  static std::vector<std::string> BoxItems(const QComboBox* box);
  void btnSearchClick();
  // True when the formula is unusable (after showing the message).
  bool ValidateQuery();
  void AddQueryToHistory(const QString& formula);
  // Runs the formula with the settings and view of the window; with a
  // `whence` of 0 or more, the command line of the last search instead,
  // listing the hits after the first `whence`.
  void RunSearch(const std::string& formula, int whence = -1);
  // The next and the previous page of the last search's hits.
  void mnuNextPageClick();
  void mnuPreviousPageClick();
  void cboKeywordEnter();
  void cboKeywordExit();
  void SyncSortSelection(int source);
  void mnuSortEarlierClick(QAction* item);
  void mnuSortAscendingClick(QAction* item);
  void cboSortTypeClick();
  void mnuListCountTwentyClick(QAction* item);
  void cboListCountExit();
  void mnuListCountClick();
  void mnuContentsOnClick(QAction* item);
  void chkShowContentsClick();
  // The view menus as the command line needs them.
  SearchViewState ViewState() const;

  // ---- Result list and documents ---------------------------------------------------
  void OpenHitAt(int32_t offset, bool insideProgram);
  // Turns hit `index`'s address into CurrentDocumentPath.
  void PrepareHitPath(int index);
  // Opens hit `index` with the viewer of the current document type; beeps
  // when there is no such hit.
  void OpenHit(int index);
  void OpenHitAsText(int index);
  void OpenHitAsHTML(int index);
  // Shows an HTML file or a URL (result page, help pages) in the embedded
  // or the configured external browser.
  void ShowInBrowser(const std::string& url);
  void pgeChange();
  void btnNextClick();
  void btnPreviousClick();
  void btnResultClick();
  // Every navigation of the embedded browser, before it happens.
  void WebBrowser1BeforeNavigate2(const QString& url, bool& cancel);
  void WebBrowser1DocumentComplete(const QString& url);
  // The text view's keyboard: the status text of every key, Shift+Enter on
  // an HTML document (the HTML view), Shift+Enter (the associated
  // application) and Enter (back to the result list).
  void edtTextContentsStatusText(const QString& text);
  void edtTextContentsOpenInBrowser();
  void edtTextContentsOpenWithApplication();
  void edtTextContentsBackToResult();
  // Opens a path or URL with its associated application; a failure sets the
  // status bar text.
  bool ShellOpen(const std::string& pathOrUrl);

  // ---- View commands -------------------------------------------------------------
  void MRUManagerClick(const std::string& entry);
  void mnuExitClick();
  void mnuColoredClick();
  void mnuShowIndexDirectoryClick();
  void mnuShowStatusBarClick();
  void mnuStayOnTopClick();
  void mnuFontResultClick();
  void mnuFontTextContentsClick();
  void mnuAppearanceNormalClick(QAction* item);
  void mnuDocPlainTextClick(QAction* item);
  void mnuConvertToSJISClick(QAction* item);
  void mnuDecodeHeaderClick();
  void mnuShowDriveInfoClick();
  void mnuHelpStartClick();
  void mnuHelpTavirelClick();
  void mnuHelpNamazuManualClick();
  void mnuHelpNamazuTutorialClick();
  void mnuHelpAboutClick();
  void mnuMakeIndexClick();
  // Updates every watched index with changes not yet in it.
  void mnuUpdateIndexClick();
  void IndexUpdaterFinished(const QString& index, bool ok, const QString& message);
  void pmnuPopup();
  void mnuCopyClick();

  // ---- Dialog commands ------------------------------------------------------------
  void mnuSelectDirectoryClick();
  void btnBrowseIndexPathClick();
  void mnuSelectAliasClick();
  void btnSelectKeywordListClick();
  void mnuSetNamazurcClick();
  void mnuToolOptionClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateMenus();
  void ConnectEvents();
  QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption,
                       QActionGroup* group = nullptr);
  QMenu* AddSubMenu(QMenu* parent, const char* name, const QString& caption);
  void ApplyStatusBar();
  void ApplyStayOnTop();
  void ApplyFonts();
  void ChooseFont(std::string& name, std::string& size, std::string& bold);
  void SetPlacementToDefault();
  void StorePlacementAndRecent(bool writeRecent);
  bool ParseIndexField(std::string& text);
  void ShowNamazuDoc(const char* page);
  // Reopens the current hit when the text view shows it, so that a changed
  // conversion setting shows at once.
  void ReopenCurrentText();
  QString PageStatusText() const;
  // The page commands and the bar under the list after a result.
  void UpdatePaging();
  // Space at the end of the list or N at its last hit: the next page;
  // Shift+Space or Backspace at its top: the previous one.
  bool ResultListPageKey(QKeyEvent* event);
  void CheckSortKind(TSortKind kind);
  TSortKind CheckedSortKind() const;
  QAction* ListCountItem(int index) const;
  void PopupAt(QWidget* view, const QPoint& pos);
  void ConnectDialogCommands();
  // Adds the text as the newest recent directory and to the box's list.
  void AddToRecentDirectories(const std::string& text);
  void ShowCurrentHitInList();
  // Shows `page` with the focus on `view`, which takes it before the page
  // changes so that it goes straight there.
  void ShowPage(QWidget* page, QWidget* view);
  // The index directories of the box as they are now, looked at; the box's
  // tooltip says what each one holds.
  TIndexDirectoryCheck CheckIndexField();
  // The same for the box as it reads now, before a search takes it into the
  // settings.
  TIndexDirectoryCheck CheckIndexBox();
  void UpdateIndexToolTip() { CheckIndexBox(); }
  // Shows and watches the indexes the box names: from the start and once
  // its text has settled, not only when a search runs.
  void WatchIndexBox() { ShowIndexStatus(CheckIndexBox()); }
  // The searched indexes' state in the status bar: the check's few words,
  // the changes not yet in them, and why some changes cannot be seen.
  void ShowIndexStatus(const TIndexDirectoryCheck& check);
  void ShowIndexStatus();
  // Marks the search words in the page the HTML view has just loaded.
  void MarkWordsInPage();
  // The title above the HTML view: set by the command that shows a page, or
  // taken from a page reached by a link once it has loaded.
  void SetPageTitle(const QString& title);
  void TitleFollowedPage(const QUrl& url);
  bool IsResultPage(const QUrl& url) const;

  // What the last search ran with, so that its other pages list the same.
  TSettings pagedSettings_;
  SearchViewState pagedView_;
  std::string pagedFormula_;
  QString indexStatusText_, indexStatusTip_;  // from the last check
  QTimer* autoUpdateTimer_ = nullptr;         // runs once changes are quiet
  QTimer* indexBoxTimer_ = nullptr;           // runs once the index box has settled
  std::vector<QAction*> sortItems_;   // in the order of cboSortType's items
  bool shown_ = false;
  bool closed_ = false;
  bool endRequested_ = false;
  bool searching_ = false;
  bool inResize_ = false;
  bool recentLoaded_ = false;
  bool shellOpenFailed_ = false;
  bool hitOpenedFromList_ = false;  // CurrentHitIndex names a hit of the shown list
  // The words of the formula whose hits the result list shows (not of what
  // the formula box holds now); marked in the hits opened from it.
  std::vector<TSearchWord> searchWords_;
  bool markPageWords_ = false;      // the page being loaded is a hit
  bool pageTitled_ = false;         // the page being loaded has its title set
  QUrl titledPage_;                 // the HTML view's page the title names
  bool resultPageShown_ = false;    // that page is the result page
};

}  // namespace tavirel
