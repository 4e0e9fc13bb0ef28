// TfrmMain: the result list and the documents: opening a hit as text, as
// HTML or in its application, the HTML view's navigation, the page tabs and
// copying.
#include "ui/search/mainwindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QUrl>

#include "core/process/ucommon.h"
#include "core/search/drivelist.h"
#include "core/search/resultlist.h"
#include "platform/platform.h"
#include "ui/process/browser.h"
#include "ui/process/consolerun.h"
#include "ui/search/htmlview.h"
#include "ui/search/placement.h"
#include "ui/search/resultview.h"
#include "ui/search/textview.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {

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
    auto utf8 = platform::NativePath(path);
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
  hitOpenedFromList_ = true;
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

  edtTextContents->ClearHighlights();
  edtTextContents->Clear();
  edtTextContents->SetDocumentPath(CurrentDocumentPath);
  ShowPage(tabTextDoc, edtTextContents);
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
  edtTextContents->HighlightWords(searchWords_);
}

void TfrmMain::OpenHitAsHTML(int index) {
  if (index < 0 || index >= edtResult->HitCount()) return;
  PrepareHitPath(index);
  CurrentHitIndex = index;
  SetPageTitle(SjisToQString(edtResult->Hits()[static_cast<size_t>(index)].Title));

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
      ShowPage(tabHTMLDoc, WebBrowser1);
      WebBrowser1->SetTag(1);
      markPageWords_ = true;
      if (!WebBrowser1->Navigate(CurrentDocumentPath)) markPageWords_ = pageTitled_ = false;
      pgeChange();
      return;
  }
  pageTitled_ = false;  // no page of the view to title
}

void TfrmMain::ShowInBrowser(const std::string& url) {
  switch (RouteForPage(Settings.WebBrowserDisplayTo, Settings.BrowserType)) {
    case TBrowserRoute::Internal:
      // Requested while the previous tab is still active, so that the page
      // loads unless the HTML tab was already showing; the tab follows also
      // when the page could not be shown.
      if (!WebBrowser1->Navigate(url)) pageTitled_ = false;
      pge->setCurrentWidget(tabHTMLDoc);
      pgeChange();
      return;
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
  pageTitled_ = false;  // no page of the view to title
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

bool TfrmMain::IsResultPage(const QUrl& url) const {
  if (ResultFilePath.empty() || !url.isLocalFile()) return false;
  const std::string page =
      platform::CanonicalPath(AddressToLocalPath(url.toString(QUrl::FullyEncoded).toStdString()));
  return !page.empty() && page == platform::CanonicalPath(ResultFilePath);
}

void TfrmMain::WebBrowser1DocumentComplete(const QString& url) {
  const TDocumentCompleteAction action = DocumentCompleteRule(WebBrowser1->Tag());
  if (action.FocusDocument) WebBrowser1->FocusDocument();
  WebBrowser1->SetTag(action.NewTag);
  TitleFollowedPage(QUrl(url));
  MarkWordsInPage();
}

void TfrmMain::MarkWordsInPage() {
  // Only the page of a hit is marked (opened from the list or the text view,
  // or followed from the result page); a link followed from it, the result
  // page and the help pages are shown plain. The view drops the marks when
  // it loads another page and keeps them for a move to an anchor.
  const bool mark = markPageWords_ && !searchWords_.empty();
  markPageWords_ = false;
  if (!mark) return;
  const TWordFinder finder(searchWords_);
  WebBrowser1->SetHighlights(FindWordsInDocument(*WebBrowser1->document(), finder));
}

void TfrmMain::TitleFollowedPage(const QUrl& url) {
  // A page the program showed is titled by the command that showed it; a
  // page reached by a link is named by its own title, else its file name.
  // A hit followed from the result page is marked as one opened from the
  // list would be. A move to an anchor of the page shown changes nothing.
  const QUrl page = url.adjusted(QUrl::RemoveFragment);
  const bool newPage = page != titledPage_;
  const bool followed = newPage && !pageTitled_;
  titledPage_ = page;
  pageTitled_ = false;
  if (!newPage) return;
  const bool fromResultPage = resultPageShown_;
  resultPageShown_ = IsResultPage(page);
  if (!followed) return;
  if (fromResultPage && !resultPageShown_) markPageWords_ = true;
  QString title = WebBrowser1->documentTitle().simplified();
  if (title.isEmpty()) title = QFileInfo(page.toLocalFile()).fileName();
  pnlTitle->setText(title);
}

void TfrmMain::SetPageTitle(const QString& title) {
  pnlTitle->setText(title);
  pnlTitle->repaint();
  pageTitled_ = true;
}

QString TfrmMain::PageStatusText() const {
  QWidget* page = pge->currentWidget();
  // A document with marked words shows where in them the view is.
  if (page == tabTextDoc && edtTextContents->HighlightCount() > 0)
    return edtTextContents->HighlightPositionText();
  if (page == tabHTMLDoc && WebBrowser1->HighlightCount() > 0)
    return WebBrowser1->HighlightPositionText();
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
    SetPageTitle(ResultPageTitle);
    ShowInBrowser(ResultFilePath);
  }
}

void TfrmMain::edtTextContentsStatusText(const QString& text) { stb->showMessage(text); }

void TfrmMain::edtTextContentsOpenInBrowser() {
  WebBrowser1->SetTag(1);
  markPageWords_ = true;  // the hit shown in the text view
  if (!WebBrowser1->Navigate(CurrentDocumentPath)) markPageWords_ = false;
  ShowPage(tabHTMLDoc, WebBrowser1);
  pgeChange();
}

void TfrmMain::edtTextContentsOpenWithApplication() {
  // The file itself: a fragment would name a file that does not exist.
  ShellOpen(CutFragmentInExtension(CurrentDocumentPath));
}

void TfrmMain::edtTextContentsBackToResult() {
  ShowCurrentHitInList();
  ShowPage(tabResult, edtResult);
  pgeChange();
}

void TfrmMain::ShowPage(QWidget* page, QWidget* view) {
  // A page that hides with the focus on it hands the focus on to the next
  // control of the window for a moment.
  view->setFocus();
  pge->setCurrentWidget(page);
  view->setFocus();
}

void TfrmMain::ShowCurrentHitInList() {
  // Back from a document (perhaps reached with next and previous): the list
  // shows the hit last opened, its caret where N and P land on it.
  if (!hitOpenedFromList_ || CurrentHitIndex < 0 || CurrentHitIndex >= edtResult->HitCount()) {
    return;
  }
  if (edtResult->MarkedHit() == CurrentHitIndex) return;
  const SearchHit& hit = edtResult->Hits()[static_cast<size_t>(CurrentHitIndex)];
  edtResult->SetCaretOffset(hit.UriStart > 0 ? hit.UriStart : hit.TitleStart);
}

void TfrmMain::PopupAt(QWidget* view, const QPoint& pos) {
  pmnu->popup(view->mapToGlobal(pos));
}

void TfrmMain::pmnuPopup() {
  bool selection = false;
  if (pge->currentWidget() == tabResult) {
    selection = edtResult->HasSelection();
  } else if (pge->currentWidget() == tabTextDoc) {
    selection = edtTextContents->HasSelection();
  }
  mnuCopy->setEnabled(selection);
}

void TfrmMain::mnuCopyClick() {
  if (pge->currentWidget() == tabResult) {
    edtResult->Copy();
  } else if (pge->currentWidget() == tabTextDoc) {
    if (edtTextContents->HasSelection()) edtTextContents->Copy();
  }
}

}  // namespace tavirel
