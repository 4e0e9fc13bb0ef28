// TfrmMain: the view, font, document and help commands of the menus.
#include "ui/search/mainwindow.h"

#include <QAction>
#include <QComboBox>
#include <QFontDialog>

#include "core/process/ucommon.h"
#include "core/search/drivelist.h"
#include "core/settings/appfolders.h"
#include "platform/platform.h"
#include "ui/indexer/makeidx.h"
#include "ui/process/browser.h"
#include "ui/search/about.h"
#include "ui/search/htmlview.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

const QString AppTitle = QStringLiteral("tavirel for Namazu");

}  // namespace

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
  // Every help page names itself above the view, so that no hit's title or
  // other page's name stays there.
  SetPageTitle(QStringLiteral("検索式の入力方法"));
  WebBrowser1->SetTag(0);
  ShowInBrowser(StartHelpPath(CurrentAppFolders().HelpRoot));
}

void TfrmMain::mnuHelpTavirelClick() {
  SetPageTitle(QStringLiteral("tavirel for Namazu ヘルプ"));
  WebBrowser1->SetTag(1);
  ShowInBrowser(ProgramHelpPath(CurrentAppFolders().HelpRoot));
}

void TfrmMain::ShowNamazuDoc(const char* page) {
  SetPageTitle(QStringLiteral("Namazu のヘルプ"));
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
