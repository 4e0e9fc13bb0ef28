#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/process/ucommon.h"
#include "core/search/document.h"
#include "platform/platform.h"
#include "support/testsupport.h"

using namespace tavirel;
using namespace tavirel::testsupport;

namespace {

constexpr std::string_view kTesutoSjis = "\x82\xc4\x82\xb7\x82\xc6";            // てすと
constexpr std::string_view kTesutoUtf8 = "\xe3\x81\xa6\xe3\x81\x99\xe3\x81\xa8";
constexpr std::string_view kTesutoJis = "\x1b\x24\x42\x24\x46\x24\x39\x24\x48\x1b\x28\x42";
constexpr std::string_view kTesutoWord = "=?ISO-2022-JP?B?GyRCJEYkOSRIGyhC?=";

std::string S(std::string_view v) { return std::string(v); }

}  // namespace

// ---------------------------------------------------------------------------
// Viewer routing

TEST(DocumentRouting, DefineModeByExtension) {
  struct Case {
    const char* path;
    TDocumentViewer viewer;
    const char* kind;
    bool decodeHeader;
    const char* convert;
    const char* shellPath;
  };
  // Each case starts from a definition left by an earlier .alm document, so
  // that "HTML" and "System" visibly change Kind alone.
  const Case cases[] = {
      {"/docs/a.HTML#top", TDocumentViewer::Html, "HTML", true, "ToSJIS", ""},
      {"/docs/b.htm", TDocumentViewer::Html, "HTML", true, "ToSJIS", ""},
      {"/docs/c.shtml", TDocumentViewer::Html, "HTML", true, "ToSJIS", ""},
      {"/docs/README", TDocumentViewer::Text, "PlainText", false, "ToSJIS", ""},
      {"/docs.d/README", TDocumentViewer::Text, "PlainText", false, "ToSJIS", ""},
      {"/docs/x.ini", TDocumentViewer::Text, "PlainText", false, "ToSJIS", ""},
      {"/docs/x.TXT#frag", TDocumentViewer::Text, "PlainText", false, "ToSJIS", ""},
      {"/docs/x.alm", TDocumentViewer::Text, "MailNews", true, "ToSJIS", ""},
      {"/docs/x.pdf", TDocumentViewer::System, "System", true, "ToSJIS", "/docs/x.pdf"},
      {"/docs/x.pdf#page=2", TDocumentViewer::System, "System", true, "ToSJIS", "/docs/x.pdf"},
      {"/docs/x.html5", TDocumentViewer::System, "System", true, "ToSJIS", "/docs/x.html5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    TDocTypeDefinition definition{"MailNews", true, "ToSJIS"};
    TOpenDecision decision = ChooseViewer("Define", c.path, definition);
    EXPECT_EQ(decision.Viewer, c.viewer);
    EXPECT_EQ(definition.Kind, c.kind);
    EXPECT_EQ(definition.DecodeHeader, c.decodeHeader);
    EXPECT_EQ(definition.Convert, c.convert);
    EXPECT_EQ(decision.ShellPath, c.shellPath);
  }
}

TEST(DocumentRouting, HtmlAndSystemLeaveDecodeAndConvert) {
  TDocTypeDefinition definition{"PlainText", false, ""};
  EXPECT_EQ(ClassifyByExtension("/a/page.html", definition), TDocumentViewer::Html);
  EXPECT_EQ(definition.Kind, "HTML");
  EXPECT_FALSE(definition.DecodeHeader);
  EXPECT_EQ(definition.Convert, "");
}

TEST(DocumentRouting, FixedModes) {
  struct Case {
    const char* mode;
    const char* path;
    TDocumentViewer viewer;
    const char* shellPath;
  };
  const Case cases[] = {
      {"HTML", "/d/x.pdf", TDocumentViewer::Html, ""},
      {"html", "/d/x.txt", TDocumentViewer::Html, ""},
      {"PlainText", "/d/x.pdf", TDocumentViewer::Text, ""},
      {"MAILNEWS", "/d/a.html", TDocumentViewer::Text, ""},
      {"System", "/d/a.html#sec", TDocumentViewer::System, "/d/a.html"},
      {"System", "/d/dir#1/a.html", TDocumentViewer::System, "/d/dir#1/a.html"},
      {"Bogus", "/d/x.alm", TDocumentViewer::Text, ""},   // unknown mode: by extension
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + c.path);
    TDocTypeDefinition definition{"Untouched", false, "None"};
    TOpenDecision decision = ChooseViewer(c.mode, c.path, definition);
    EXPECT_EQ(decision.Viewer, c.viewer);
    EXPECT_EQ(decision.ShellPath, c.shellPath);
    if (!IsDefineMode(c.mode)) {
      EXPECT_EQ(definition.Kind, "Untouched");
    }
  }
}

TEST(DocumentRouting, ExtensionHelpers) {
  EXPECT_EQ(DocumentExtension("/a/b.HTML#top"), ".html");
  EXPECT_EQ(DocumentExtension("/a.b/README"), "");
  EXPECT_EQ(DocumentExtension("README"), "");
  EXPECT_EQ(CutFragmentInExtension("/a/b.pdf#x#y"), "/a/b.pdf");
  EXPECT_EQ(CutFragmentInExtension("/a#b/c.pdf"), "/a#b/c.pdf");
  EXPECT_TRUE(HasHtmlExtension("/a/b.SHTML"));
  EXPECT_FALSE(HasHtmlExtension("/a/b.html#top"));  // Shift+Enter looks at the uncut extension
}

TEST(DocumentRouting, BrowserRoutes) {
  struct Case {
    const char* displayTo;
    const char* type;
    TBrowserRoute hit;
    TBrowserRoute page;
  };
  const Case cases[] = {
      {"Internal", "Navigator", TBrowserRoute::Internal, TBrowserRoute::Internal},
      {"External", "Navigator", TBrowserRoute::Netscape, TBrowserRoute::Netscape},
      {"external", "InternetExplorer", TBrowserRoute::InternetExplorer,
       TBrowserRoute::InternetExplorer},
      {"External", "NetscapeNavigator", TBrowserRoute::Shell, TBrowserRoute::Shell},
      {"External", "DefaultBrowser", TBrowserRoute::Shell, TBrowserRoute::Shell},
      // The two routines differ for a value that is neither word.
      {"", "InternetExplorer", TBrowserRoute::InternetExplorer, TBrowserRoute::Internal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.displayTo) + "/" + c.type);
    EXPECT_EQ(RouteForHit(c.displayTo, c.type), c.hit);
    EXPECT_EQ(RouteForPage(c.displayTo, c.type), c.page);
  }
}

TEST(DocumentRouting, TextOptions) {
  struct Case {
    const char* mode;
    const char* convert;
    const char* decode;
    TDocTypeDefinition definition;
    bool decodeHeader, convertText, positionBody;
  };
  const TDocTypeDefinition alm{"MailNews", true, "ToSJIS"};
  const TDocTypeDefinition txt{"PlainText", false, "ToSJIS"};
  const Case cases[] = {
      // x.alm in mode Define: decoded and converted whatever the menus say.
      {"Define", "None", "0", alm, true, true, true},
      {"Define", "None", "0", txt, false, true, false},
      {"PlainText", "None", "1", alm, true, false, false},  // definition ignored
      {"PlainText", "tosjis", "0", txt, false, true, false},
      {"PlainText", "NKF", "0", txt, false, false, false},  // NKF converts nothing
      {"MailNews", "ToSJIS", "1", txt, true, true, true},
      {"mailnews", "None", "0", alm, false, false, true},
      {"Define", "None", "1 ", txt, false, true, false},   // only exactly "1"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + "/" + c.convert + "/" + c.decode);
    TTextOptions o = TextOptionsFor(c.mode, c.convert, c.decode, c.definition);
    EXPECT_EQ(o.DecodeHeader, c.decodeHeader);
    EXPECT_EQ(o.Convert, c.convertText);
    EXPECT_EQ(o.PositionBody, c.positionBody);
  }
}

TEST(DocumentRouting, StatusTexts) {
  EXPECT_EQ(StatusTextForPage(TDocumentPage::Result), "N:\x8e\x9f\x8c\xf3\x95\xe2  P:\x91\x4f\x8c\xf3\x95\xe2");
  EXPECT_EQ(StatusTextForPage(TDocumentPage::TextDoc), "N:\x8e\x9f\x95\xb6\x8f\x91  P:\x91\x4f\x95\xb6\x8f\x91");
  EXPECT_TRUE(StatusTextForPage(TDocumentPage::HtmlDoc).empty());
}

// ---------------------------------------------------------------------------
// Text preparation

TEST(DocumentText, MailSubjectDecodedAndConverted) {
  const std::string mail = "From: a@example.jp\r\nSubject: " + S(kTesutoWord) +
                           "\r\n\r\n" + S(kHonbunJis) + "\r\n";
  struct Case {
    TTextOptions options;
    std::string subject;
    std::string body;
  };
  const Case cases[] = {
      {{true, true, false}, S(kTesutoSjis), S(kHonbunSjis)},
      // Conversion off: the decoded word stays in ISO-2022-JP.
      {{true, false, false}, S(kTesutoJis), S(kHonbunJis)},
      {{false, true, false}, S(kTesutoWord), S(kHonbunSjis)},
  };
  for (const Case& c : cases) {
    TPreparedText t = PrepareDocumentText(mail, c.options);
    EXPECT_EQ(t.Encoding, TTextEncoding::ShiftJis);
    EXPECT_EQ(t.Text, "From: a@example.jp\nSubject: " + c.subject + "\n\n" + c.body + "\n");
  }
}

TEST(DocumentText, DecodingStopsAtTheFirstEmptyLine) {
  const std::string mail = "Subject: " + S(kTesutoWord) + "\n\nQuoted: " + S(kTesutoWord) + "\n";
  TPreparedText t = PrepareDocumentText(mail, {true, true, false});
  EXPECT_EQ(t.Text, "Subject: " + S(kTesutoSjis) + "\n\nQuoted: " + S(kTesutoWord) + "\n");
}

TEST(DocumentText, BodyPositioning) {
  struct Case {
    const char* name;
    std::string text;
    int bodyLine;
  };
  const Case cases[] = {
      {"header, empty line, body", "A: 1\nB: 2\n\nbody\nmore\n", 3},
      {"several empty lines", "A: 1\r\n\r\n\r\nbody\r\n", 3},
      // A line of blanks ends the header, and is itself the first non-empty line.
      {"line of blanks ends the header", "A: 1\n  \t\nbody\n", 1},
      // From the empty line on, a line of blanks is not empty.
      {"blanks after the empty line", "A: 1\n\n   \nbody\n", 2},
      {"no empty line", "A: 1\nB: 2\nbody\n", -1},
      {"nothing after the empty line", "A: 1\n\n\n", 3},
      {"lone CR line ends", "A: 1\r\rbody\r", 2},
      {"empty document", "", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPreparedText t = PrepareDocumentText(c.text, {false, true, true});
    EXPECT_EQ(t.BodyLine, c.bodyLine);
  }
  TPreparedText off = PrepareDocumentText("A: 1\n\nbody\n", {false, true, false});
  EXPECT_EQ(off.BodyLine, -1);
}

TEST(DocumentText, MailWithoutEmptyLineIsConvertedNotPositioned) {
  const std::string mail = "Subject: " + S(kTesutoWord) + "\n" + S(kHonbunJis) + "\n";
  TPreparedText t = PrepareDocumentText(mail, {true, true, true});
  // Without an empty line every line is a header line.
  EXPECT_EQ(t.Text, "Subject: " + S(kTesutoSjis) + "\n" + S(kHonbunSjis) + "\n");
  EXPECT_EQ(t.BodyLine, -1);
}

TEST(DocumentText, CodesOfTheDocument) {
  struct Case {
    const char* name;
    std::string bytes;
    bool convert;
    TTextEncoding encoding;
    std::string text;
  };
  const Case cases[] = {
      {"Shift-JIS", S(kHonbunSjis) + "\n", true, TTextEncoding::ShiftJis, S(kHonbunSjis) + "\n"},
      {"EUC-JP", S(kHonbunEuc) + "\n", true, TTextEncoding::ShiftJis, S(kHonbunSjis) + "\n"},
      {"EUC-JP unconverted", S(kHonbunEuc), false, TTextEncoding::ShiftJis, S(kHonbunEuc)},
      {"JIS", S(kHonbunJis), true, TTextEncoding::ShiftJis, S(kHonbunSjis)},
      {"UTF-8", S(kHonbunUtf8) + "\n", true, TTextEncoding::Utf8, S(kHonbunUtf8) + "\n"},
      {"UTF-8 with BOM", "\xEF\xBB\xBF" + S(kHonbunUtf8), true, TTextEncoding::Utf8,
       S(kHonbunUtf8)},
      {"UTF-8 with BOM unconverted", "\xEF\xBB\xBF" + S(kHonbunUtf8), false,
       TTextEncoding::Utf8, S(kHonbunUtf8)},
      {"CR LF and CR unconverted", "a\r\nb\rc\n", false, TTextEncoding::ShiftJis, "a\nb\nc\n"},
      {"ASCII", "plain\n", true, TTextEncoding::ShiftJis, "plain\n"},
      {"empty", "", true, TTextEncoding::ShiftJis, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPreparedText t = PrepareDocumentText(c.bytes, {false, c.convert, false});
    EXPECT_EQ(t.Encoding, c.encoding);
    EXPECT_EQ(t.Text, c.text);
    // Bytes handed over give the same text, taken without a copy.
    TPreparedText owned = PrepareOwnedDocumentText(c.bytes, {false, c.convert, false});
    EXPECT_EQ(owned.Encoding, c.encoding);
    EXPECT_EQ(owned.Text, c.text);
  }
}

TEST(DocumentText, Utf8MailHeaderWords) {
  const std::string mail = "Subject: " + S(kTesutoWord) + " =?UTF-8?B?5pys5paH?=\n\n" +
                           S(kHonbunUtf8) + "\n";
  TPreparedText converted = PrepareDocumentText(mail, {true, true, true});
  EXPECT_EQ(converted.Encoding, TTextEncoding::Utf8);
  EXPECT_EQ(converted.Text, "Subject: " + S(kTesutoUtf8) + " \xe6\x9c\xac\xe6\x96\x87\n\n" +
                                S(kHonbunUtf8) + "\n");
  EXPECT_EQ(converted.BodyLine, 2);
  // Without conversion the ISO-2022-JP word gives JIS bytes, as for Shift-JIS mail.
  TPreparedText raw = PrepareDocumentText(mail, {true, false, false});
  EXPECT_EQ(raw.Text.substr(0, 9 + kTesutoJis.size()), "Subject: " + S(kTesutoJis));
}

TEST(DocumentText, BrokenInputIsHandled) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      // No "?=": the decoder drops the prefix and keeps the rest.
      {"encoded word without end", "Subject: =?ISO-2022-JP?B?GyRCJEY\n\n" + S(kHonbunEuc) + "\n",
       "Subject: GyRCJEY\n\n" + S(kHonbunSjis) + "\n"},
      // Decodes to control bytes: the line stays as written, and the EUC-JP
      // body is still converted.
      {"word decoding to binary", "Subject: =?ISO-2022-JP?B?AAECAwQF?=\n\n" + S(kHonbunEuc) + "\n",
       "Subject: =?ISO-2022-JP?B?AAECAwQF?=\n\n" + S(kHonbunSjis) + "\n"},
      // Base64 bodies are not decoded: the body is shown as written.
      {"bad base64 body",
       "Content-Transfer-Encoding: base64\n\n!!!!not*base64@@\n",
       "Content-Transfer-Encoding: base64\n\n!!!!not*base64@@\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPreparedText t = PrepareDocumentText(c.bytes, {true, true, true});
    EXPECT_EQ(t.Text, c.text);
  }
}

TEST(DocumentText, LoadFromDisk) {
  TempDir dir;
  const std::string empty = dir.Write("empty.txt", "");
  const std::string binary = dir.Write("image.dat", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  const std::string mail = dir.Write("x.alm", "Subject: " + S(kTesutoWord) + "\n\n" + S(kHonbunEuc) + "\n");
  const std::string hashName = dir.Write("a#b.txt", "hash\n");

  TDocumentText e = LoadDocumentText(empty, {true, true, true});
  EXPECT_EQ(e.Status, TDocumentLoadStatus::Ok);
  EXPECT_EQ(e.Text.Text, "");
  EXPECT_EQ(e.Text.BodyLine, -1);

  TDocumentText b = LoadDocumentText(binary, {false, true, false});
  EXPECT_EQ(b.Status, TDocumentLoadStatus::NotText);
  EXPECT_NE(b.Message.find(S(DocumentNotTextText)), std::string::npos);

  TDocumentText missing = LoadDocumentText(dir.path() + "/missing.txt#top", {});
  EXPECT_EQ(missing.Status, TDocumentLoadStatus::ReadFailed);
  EXPECT_EQ(missing.FilePath, dir.path() + "/missing.txt");
  EXPECT_NE(missing.Message.find(dir.path() + "/missing.txt"), std::string::npos);

  TDocumentText folder = LoadDocumentText(dir.path(), {});
  EXPECT_EQ(folder.Status, TDocumentLoadStatus::ReadFailed);

  // A FIFO as a hit is refused at once with its own message, not waited for.
  ASSERT_EQ(::mkfifo((dir.path() + "/pipe.txt").c_str(), 0600), 0);
  TDocumentText fifo = LoadDocumentText(dir.path() + "/pipe.txt", {});
  EXPECT_EQ(fifo.Status, TDocumentLoadStatus::ReadFailed);
  EXPECT_EQ(fifo.Message, FileRefusedMessage(platform::ReadFailure::NotRegular,
                                             MaxDocumentFileBytes, dir.path() + "/pipe.txt"));

  TDocTypeDefinition definition;
  ASSERT_EQ(ChooseViewer("Define", mail + "#msg", definition).Viewer, TDocumentViewer::Text);
  TDocumentText m = LoadDocumentText(mail + "#msg",
                                     TextOptionsFor("Define", "None", "0", definition));
  ASSERT_EQ(m.Status, TDocumentLoadStatus::Ok);
  EXPECT_EQ(m.Text.Text, "Subject: " + S(kTesutoSjis) + "\n\n" + S(kHonbunSjis) + "\n");
  EXPECT_EQ(m.Text.BodyLine, 2);

  // A "#" that is part of the file name, not a fragment.
  TDocumentText h = LoadDocumentText(hashName, {});
  EXPECT_EQ(h.Status, TDocumentLoadStatus::Ok);
  EXPECT_EQ(h.Text.Text, "hash\n");

  // Nothing on disk changed.
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(mail, bytes));
  EXPECT_EQ(bytes, "Subject: " + S(kTesutoWord) + "\n\n" + S(kHonbunEuc) + "\n");
}

// ---------------------------------------------------------------------------
// Codes for the embedded browser

TEST(DocumentCodes, DetectionAndDeclaredCharset) {
  struct Case {
    const char* name;
    std::string bytes;
    TDocumentCode detected;
    std::string declared;
  };
  const Case cases[] = {
      {"sjis no meta", "<html><body>" + S(kHonbunSjis) + "</body></html>", TDocumentCode::ShiftJis, ""},
      {"euc meta http-equiv",
       "<html><head><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=EUC-JP\">"
       "</head><body>" + S(kHonbunEuc) + "</body></html>",
       TDocumentCode::EucJp, "euc-jp"},
      {"jis meta charset", "<meta charset='iso-2022-jp'>" + S(kHonbunJis), TDocumentCode::Jis,
       "iso-2022-jp"},
      {"utf8 meta", "<meta charset = \"UTF-8\" />" + S(kHonbunUtf8), TDocumentCode::Utf8, "utf-8"},
      {"unknown name", "<meta charset=\"x-klingon\">" + S(kHonbunSjis), TDocumentCode::ShiftJis,
       "x-klingon"},
      {"ascii", "<p>hello</p>", TDocumentCode::Ascii, ""},
      {"binary", std::string("GIF89a\0\0\0", 9), TDocumentCode::Binary, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DetectDocumentCode(c.bytes), c.detected);
    EXPECT_EQ(HtmlDeclaredCharset(c.bytes), c.declared);
  }
  EXPECT_EQ(CodeForCharsetName("Shift_JIS"), TDocumentCode::ShiftJis);
  EXPECT_EQ(CodeForCharsetName("x-sjis"), TDocumentCode::ShiftJis);
  EXPECT_EQ(CodeForCharsetName("csISO2022JP"), TDocumentCode::Jis);
  EXPECT_EQ(CodeForCharsetName("x-klingon"), TDocumentCode::Unknown);

  bool utf8 = false;
  EXPECT_EQ(DocumentBytesForScreen(kHonbunEuc, TDocumentCode::EucJp, utf8), kHonbunSjis);
  EXPECT_FALSE(utf8);
  EXPECT_EQ(DocumentBytesForScreen(kHonbunJis, TDocumentCode::Jis, utf8), kHonbunSjis);
  EXPECT_EQ(DocumentBytesForScreen("\xEF\xBB\xBFx", TDocumentCode::Utf8, utf8), "x");
  EXPECT_TRUE(utf8);
}

TEST(DocumentCodes, Utf8Validation) {
  struct Case {
    std::string bytes;
    bool valid;
    bool multi;
  };
  const Case cases[] = {
      {"ascii only", true, false},
      {S(kHonbunUtf8), true, true},
      {S(kHonbunSjis), false, false},
      {S(kHonbunEuc), false, false},
      {"\xC0\xAF", false, false},            // overlong
      {"\xED\xA0\x80", false, false},        // surrogate
      {"\xF4\x90\x80\x80", false, false},    // above U+10FFFF
      {"abc\xE3\x81", false, false},         // cut off at the end
      {"\xF0\x9F\x98\x80", true, true},
  };
  for (const Case& c : cases) {
    bool multi = false;
    EXPECT_EQ(IsValidUtf8(c.bytes, &multi), c.valid);
    if (c.valid) {
      EXPECT_EQ(multi, c.multi);
    }
  }
}

// ---------------------------------------------------------------------------
// Before navigation

TEST(DocumentNavigation, PercentDecodingOfPaths) {
  struct Case {
    const char* in;
    std::string out;
  };
  const Case cases[] = {
      {"/tmp/a%41b.html", "/tmp/aAb.html"},
      {"/tmp/c++.html", "/tmp/c++.html"},          // a "+" in a path is a "+"
      {"/tmp/a%2Bb.html", "/tmp/a+b.html"},
      {"/tmp/100%.html", "/tmp/100%.html"},        // no digits: kept
      {"/tmp/%E6%97%85%E8%A1%8C.txt", "/tmp/" + S("\x97\xb7\x8d\x73") + ".txt"},  // 旅行 (UTF-8)
      {"/tmp/%97%B7%8D%73.txt", "/tmp/" + S("\x97\xb7\x8d\x73") + ".txt"},        // already Shift-JIS
      {"/tmp/%F0%9F%98%80.txt", "/tmp/%F0%9F%98%80.txt"},  // no Shift-JIS form: undecoded
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(DecodePercentPath(c.in), c.out);
  }
  EXPECT_EQ(AddressToLocalPath("file:///tmp/a%20b.html#top"), "/tmp/a b.html");
  EXPECT_EQ(AddressToLocalPath("/tmp/a.html#top"), "/tmp/a.html");
  EXPECT_EQ(AddressToLocalPath("http://www.namazu.org/"), "");
  EXPECT_TRUE(IsWebAddress("HTTPS://x"));
  EXPECT_TRUE(IsWebAddress("mailto:a@b"));
  EXPECT_FALSE(IsWebAddress("file:///tmp/x"));
  EXPECT_FALSE(IsWebAddress("C:\\x"));
}

TEST(DocumentNavigation, BeforeNavigateRules) {
  // Canonical forms without touching the disk: the paths listed exist.
  const std::map<std::string, std::string> existing = {
      {"/tmp/result.html", "/tmp/result.html"},
      {"/tmp/link-to-result.html", "/tmp/result.html"},
      {"/docs/a.html", "/docs/a.html"},
  };
  TNavigateContext base;
  base.HtmlPageActive = true;
  base.ResultFilePath = "/tmp/result.html";
  base.HowToOpen = "Define";
  base.UseDriveConstantsWebBrowser = "0";
  base.ProgramFolder = "/opt/tavirel";
  base.DriveConstantList = {"{hd1} => /    [root]", "{cdrom1} => /media/cdrom    [DOCS]"};
  base.CanonicalPath = [&](std::string_view p) {
    auto it = existing.find(std::string(p));
    return it == existing.end() ? std::string() : it->second;
  };

  struct Case {
    const char* name;
    bool htmlActive;
    const char* mode;
    const char* driveConstants;
    const char* address;
    TNavigateAction action;
    std::string target;
  };
  const std::string tabi = "\x97\xb7\x8d\x73";  // 旅行
  const Case cases[] = {
      {"other tab: always", false, "System", "1", "file:///docs/a.html", TNavigateAction::Proceed, ""},
      {"result page in System mode", true, "System", "1", "file:///tmp/result.html",
       TNavigateAction::Proceed, ""},
      {"result page by another name", true, "System", "0", "file:///tmp/link-to-result.html",
       TNavigateAction::Proceed, ""},
      {"System: link to the application", true, "system", "0", "file:///docs/a.html#sec",
       TNavigateAction::OpenWithShell, "/docs/a.html"},
      {"System: Japanese name decoded", true, "System", "0",
       "file:///docs/%E6%97%85%E8%A1%8C.pdf", TNavigateAction::OpenWithShell, "/docs/" + tabi + ".pdf"},
      {"System: drive label expanded", true, "System", "0", "file:///%7Bcdrom1%7D/doc/a.pdf",
       TNavigateAction::OpenWithShell, "/media/cdrom/doc/a.pdf"},
      {"System: web link", true, "System", "0", "http://www.namazu.org/",
       TNavigateAction::OpenWithShell, "http://www.namazu.org/"},
      {"drive label rewritten", true, "Define", "1", "file:///{cdrom1}/doc/a.html",
       TNavigateAction::Redirect, "file:///media/cdrom/doc/a.html"},
      {"encoded drive label, fragment kept", true, "HTML", "1",
       "file:///%7Bcdrom1%7D/doc/a.html#top", TNavigateAction::Redirect,
       "file:///media/cdrom/doc/a.html#top"},
      {"unchanged path followed", true, "Define", "1", "file:///docs/a.html",
       TNavigateAction::Proceed, ""},
      // Only the encoding differs: followed (no endless re-navigation).
      {"encoded Japanese followed", true, "Define", "1", "file:///docs/%E6%97%85%E8%A1%8C.txt",
       TNavigateAction::Proceed, ""},
      {"label without the switch", true, "Define", "0", "file:///{cdrom1}/doc/a.html",
       TNavigateAction::Proceed, ""},
      {"switch is exactly 1", true, "Define", "true", "file:///{cdrom1}/doc/a.html",
       TNavigateAction::Proceed, ""},
      {"web address left alone", true, "Define", "1", "http://example.org/a%20b?q=a+b",
       TNavigateAction::Proceed, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TNavigateContext context = base;
    context.HtmlPageActive = c.htmlActive;
    context.HowToOpen = c.mode;
    context.UseDriveConstantsWebBrowser = c.driveConstants;
    TNavigateDecision d = DecideBeforeNavigate(c.address, context);
    EXPECT_EQ(d.Action, c.action);
    EXPECT_EQ(d.Target, c.target);
  }

  // Without a result file, a link that names no existing file is not taken
  // for the result page: its drive label is still rewritten.
  {
    TNavigateContext noResult = base;
    noResult.ResultFilePath.clear();
    noResult.UseDriveConstantsWebBrowser = "1";
    TNavigateDecision d = DecideBeforeNavigate("file:///{cdrom1}/doc/a.html", noResult);
    EXPECT_EQ(d.Action, TNavigateAction::Redirect);
    noResult.HowToOpen = "System";
    EXPECT_EQ(DecideBeforeNavigate("http://www.namazu.org/", noResult).Action,
              TNavigateAction::OpenWithShell);
  }

  // A redirected address passes the rules the second time.
  TNavigateContext context = base;
  context.UseDriveConstantsWebBrowser = "1";
  TNavigateDecision first = DecideBeforeNavigate("file:///{cdrom1}/doc/a.html", context);
  ASSERT_EQ(first.Action, TNavigateAction::Redirect);
  EXPECT_EQ(DecideBeforeNavigate(first.Target, context).Action, TNavigateAction::Proceed);
}

TEST(DocumentNavigation, ResultPageOnDisk) {
  TempDir dir;
  const std::string page = dir.Write("result.html", "<html></html>");
  TNavigateContext context;
  context.HtmlPageActive = true;
  context.ResultFilePath = page;
  context.HowToOpen = "System";
  EXPECT_EQ(DecideBeforeNavigate("file://" + page, context).Action, TNavigateAction::Proceed);
  EXPECT_EQ(DecideBeforeNavigate("file://" + dir.path() + "/./result.html", context).Action,
            TNavigateAction::Proceed);
  EXPECT_EQ(DecideBeforeNavigate("file://" + dir.path() + "/other.html", context).Action,
            TNavigateAction::OpenWithShell);
}

TEST(DocumentNavigation, DocumentCompleteTag) {
  EXPECT_TRUE(DocumentCompleteRule(1).FocusDocument);
  EXPECT_EQ(DocumentCompleteRule(1).NewTag, 0);
  EXPECT_FALSE(DocumentCompleteRule(0).FocusDocument);
  EXPECT_FALSE(DocumentCompleteRule(2).FocusDocument);
  EXPECT_EQ(DocumentCompleteRule(2).NewTag, 0);
}
