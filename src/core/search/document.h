// Opening a hit as a document: which viewer a document goes to, how a text
// document is prepared for the text view (mail header decoding, conversion to
// Shift-JIS, the jump to a mail's body), and the rules by which the embedded
// browser lets a navigation through or takes it over. No windows here; the
// main window and the two views carry out what these routines decide.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/process/urltext.h"

namespace tavirel {

// Status-bar texts of the page control.
// "N:次候補  P:前候補"
inline constexpr std::string_view StatusTextResultPage =
    "N:\x8e\x9f\x8c\xf3\x95\xe2  P:\x91\x4f\x8c\xf3\x95\xe2";
// "N:次文書  P:前文書"
inline constexpr std::string_view StatusTextTextPage =
    "N:\x8e\x9f\x95\xb6\x8f\x91  P:\x91\x4f\x95\xb6\x8f\x91";
// "関連付けされたアプリケーションの起動に失敗しました。"
inline constexpr std::string_view ShellOpenFailedText =
    "\x8a\xd6\x98\x41\x95\x74\x82\xaf\x82\xb3\x82\xea\x82\xbd\x83\x41\x83\x76\x83\x8a\x83\x50"
    "\x81\x5b\x83\x56\x83\x87\x83\x93\x82\xcc\x8b\x4e\x93\xae\x82\xc9\x8e\xb8\x94\x73\x82\xb5"
    "\x82\xdc\x82\xb5\x82\xbd\x81\x42";
// "文書を読み込めませんでした。"
inline constexpr std::string_view DocumentReadFailedText =
    "\x95\xb6\x8f\x91\x82\xf0\x93\xc7\x82\xdd\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1\x82\xc5"
    "\x82\xb5\x82\xbd\x81\x42";
// "この文書はテキストとして表示できません。"
inline constexpr std::string_view DocumentNotTextText =
    "\x82\xb1\x82\xcc\x95\xb6\x8f\x91\x82\xcd\x83\x65\x83\x4c\x83\x58\x83\x67\x82\xc6\x82\xb5"
    "\x82\xc4\x95\x5c\x8e\xa6\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81\x42";

// The pages of the main window's page control.
enum class TDocumentPage { Result, TextDoc, HtmlDoc };
// The status text for the active page: the N/P hints for the result list and
// the text view, nothing for the HTML page.
std::string_view StatusTextForPage(TDocumentPage page);

// The classification of the last document opened in mode "Define".
struct TDocTypeDefinition {
  std::string Kind;            // "HTML", "PlainText", "System" or "MailNews"
  bool DecodeHeader = false;
  std::string Convert;         // "ToSJIS"
};

enum class TDocumentViewer { Text, Html, System };

// What opening a document in the current mode comes to. `ShellPath` is the
// path handed to the associated application (System only).
struct TOpenDecision {
  TDocumentViewer Viewer = TDocumentViewer::System;
  std::string ShellPath;
};

// A hit's address as a local path: URL form to a path, a program-relative
// path and a leading drive label expanded; web addresses unchanged; the
// fragment kept. A percent-encoded file name (namazu -U) is decoded when only
// its decoded form names an existing file.
std::string PrepareHitPath(std::string_view uri, std::string_view programFolder,
                           const std::vector<std::string>& driveConstantList);

// The lower-cased extension of the file name (from its last "."), cut before
// its first "#"; empty when the name has none.
std::string DocumentExtension(std::string_view path);
// The path cut before the first "#" inside its extension.
std::string CutFragmentInExtension(std::string_view path);
// True for ".html", ".htm" and ".shtml" (checked on the uncut extension, as
// the text view's Shift+Enter does).
bool HasHtmlExtension(std::string_view path);

// True when HowToOpen is none of "PlainText", "MailNews", "HTML", "System"
// (compared without regard to case): documents are then classified by their
// extension.
bool IsDefineMode(std::string_view howToOpen);

// Classification by extension; writes `definition`. "HTML" and "System"
// change Kind only.
TDocumentViewer ClassifyByExtension(std::string_view documentPath,
                                    TDocTypeDefinition& definition);

// The viewer for `documentPath` (the prepared path, fragment included) in the
// mode `howToOpen`; classifies by extension in mode "Define". The shell path
// of a document for the associated application is cut before a "#" inside
// its extension.
TOpenDecision ChooseViewer(std::string_view howToOpen, std::string_view documentPath,
                           TDocTypeDefinition& definition);

// Which browser a page goes to.
enum class TBrowserRoute { Internal, Netscape, InternetExplorer, Shell };
// For a hit opened as HTML: any WebBrowser/DisplayTo but "Internal" is external.
TBrowserRoute RouteForHit(std::string_view displayTo, std::string_view browserType);
// For the result page and help pages: any value but "External" is internal.
TBrowserRoute RouteForPage(std::string_view displayTo, std::string_view browserType);

// The steps of preparing a text document.
struct TTextOptions {
  bool DecodeHeader = false;   // decode encoded words up to the first empty line
  bool Convert = false;        // convert JIS / EUC-JP to Shift-JIS
  bool PositionBody = false;   // scroll a mail or news article to its body
};
// From the settings Text/Convert, Text/DecodeHeader and Document/HowToOpen and
// the last classification (consulted only in mode "Define").
TTextOptions TextOptionsFor(std::string_view howToOpen, std::string_view convert,
                            std::string_view decodeHeader,
                            const TDocTypeDefinition& definition);

// How the view decodes the prepared bytes.
enum class TTextEncoding { ShiftJis, Utf8 };

struct TPreparedText {
  std::string Text;            // lines joined by LF
  TTextEncoding Encoding = TTextEncoding::ShiftJis;
  // Body positioning: the first non-empty line after the header (0-based,
  // possibly the number of lines), -1 when there is nothing to position.
  // The view puts the line below its first line at the top, so that the body
  // line itself is one line above the top of the view.
  int BodyLine = -1;
};

// Prepares a document's bytes for the text view. A document that is valid
// UTF-8 and holds multi-byte characters stays UTF-8 (encoded header words are
// brought into UTF-8 when converting); every other document follows the
// Shift-JIS rules: header decoding first, then conversion of the whole text.
TPreparedText PrepareDocumentText(std::string_view bytes, const TTextOptions& options);
// The same for bytes it may keep: a text that needs no change is the bytes
// themselves, not a copy of them.
TPreparedText PrepareOwnedDocumentText(std::string bytes, const TTextOptions& options);

enum class TDocumentLoadStatus { Ok, ReadFailed, NotText };

struct TDocumentText {
  TDocumentLoadStatus Status = TDocumentLoadStatus::Ok;
  std::string FilePath;        // the file that was read
  std::string Message;         // Shift-JIS message for the user when not Ok
  TPreparedText Text;
};

// The file behind a document path: the path without its fragment, or the
// whole path when only that names an existing file.
std::string DocumentFilePath(std::string_view documentPath);
// Reads and prepares a document for the text view. Nothing on disk changes.
TDocumentText LoadDocumentText(std::string_view documentPath, const TTextOptions& options);

// Text classification.
// A NUL byte in the first 64 KiB, or control bytes in the head that no text
// holds.
bool LooksBinary(std::string_view bytes);

// The code of an HTML or text document for the embedded browser.
enum class TDocumentCode { Unknown, Ascii, ShiftJis, EucJp, Jis, Utf8, Binary };
TDocumentCode DetectDocumentCode(std::string_view bytes);
// The charset an HTML document declares in its head (<meta charset> or an
// http-equiv Content-Type), lower-cased; empty when none.
std::string HtmlDeclaredCharset(std::string_view bytes);
// The code of a charset name; Unknown for a name that is not one of the
// Japanese codes or UTF-8 (the view may still know it).
TDocumentCode CodeForCharsetName(std::string_view name);
// A document's bytes as Shift-JIS or UTF-8 for the screen: Shift-JIS and
// UTF-8 unchanged, JIS and EUC-JP converted to Shift-JIS. `utf8` tells which.
std::string DocumentBytesForScreen(std::string_view bytes, TDocumentCode code, bool& utf8);

// The local path of a file address ("file://" form, percent-encoded) without
// its fragment; a plain path is returned without its fragment; empty for a
// web address.
std::string AddressToLocalPath(std::string_view address);

// The embedded browser's decision before a navigation.
enum class TNavigateAction {
  Proceed,        // let the navigation go on
  OpenWithShell,  // cancel; open Target with the associated application
  Redirect,       // cancel; navigate to Target instead
};
struct TNavigateDecision {
  TNavigateAction Action = TNavigateAction::Proceed;
  std::string Target;
};

struct TNavigateContext {
  bool HtmlPageActive = false;              // the HTML tab is the active page
  std::string ResultFilePath;
  std::string HowToOpen;
  std::string UseDriveConstantsWebBrowser;
  std::string ProgramFolder;
  std::vector<std::string> DriveConstantList;
  // The canonical form of a local path ("" for a missing file); the platform's
  // when empty.
  std::function<std::string(std::string_view)> CanonicalPath;
};

// `address` is the target as the browser reports it (a percent-encoded URL or
// a plain path).
TNavigateDecision DecideBeforeNavigate(std::string_view address, const TNavigateContext& context);

// After a document has loaded: focus it once when the tag asks for it.
struct TDocumentCompleteAction {
  bool FocusDocument = false;
  int NewTag = 0;
};
TDocumentCompleteAction DocumentCompleteRule(int tag);

}  // namespace tavirel
