#include "core/search/document.h"

#include <cstring>

#include "core/search/resultlist.h"
#include "core/jconv/jconvert.h"
#include "platform/platform.h"
#include "core/process/ucommon.h"
#include "core/process/urltext.h"

namespace tavirel {
namespace {

using uchar = unsigned char;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Start of the file name: after the last "/" of the path.
size_t FileNameStart(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

// Position of the extension's "." in the file name, npos when there is none.
size_t ExtensionStart(std::string_view path) {
  size_t name = FileNameStart(path);
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < name) return std::string_view::npos;
  return dot;
}

// CR LF and lone CR become LF.
// The same in place: CR LF and a lone CR become LF.
void NormaliseLineBreaksInPlace(std::string& text) {
  size_t out = text.find('\r');
  if (out == std::string::npos) return;
  for (size_t i = out; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      text[out++] = '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      text[out++] = c;
    }
  }
  text.resize(out);
}

std::string NormaliseLineBreaks(std::string_view text) {
  if (text.find('\r') == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      out.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// True when decoding gave bytes that belong to no text: control bytes other
// than TAB and ESC, or 0xFF.
bool HasForeignControlBytes(std::string_view text) {
  for (uchar c : text) {
    if ((c < 0x20 && c != '\t' && c != 0x1B) || c == 0x7F || c == 0xFF) return true;
  }
  return false;
}

// Shift-JIS rules: the encoded words of one header line. A line whose decoded
// form would hold control bytes (a broken word) stays as it is written, so
// that the conversion of the whole text is not thrown off by it.
std::string DecodeHeaderLineSjis(std::string_view line) {
  std::string decoded = DecodeMimeHeader(line);
  if (decoded.size() != line.size() || decoded != line) {
    if (HasForeignControlBytes(decoded) && !HasForeignControlBytes(line)) return std::string(line);
  }
  return decoded;
}

// UTF-8 documents: each "=?charset?B?...?=" word decoded into UTF-8.
// ISO-2022-JP words give JIS bytes, brought into UTF-8 when converting (and
// left in JIS otherwise, as for Shift-JIS documents); UTF-8 words give their
// bytes. A word that does not decode cleanly stays as written.
std::string DecodeHeaderLineUtf8(std::string_view line, bool convert) {
  std::string out;
  size_t pos = 0;
  while (pos < line.size()) {
    size_t start = line.find("=?", pos);
    if (start == std::string_view::npos) break;
    size_t q1 = line.find('?', start + 2);
    size_t end = q1 == std::string_view::npos ? q1 : line.find("?=", q1 + 3);
    if (q1 == std::string_view::npos || q1 + 2 >= line.size() || line[q1 + 2] != '?' ||
        end == std::string_view::npos) {
      out.append(line.substr(pos, start + 2 - pos));
      pos = start + 2;
      continue;
    }
    std::string_view charset = line.substr(start + 2, q1 - start - 2);
    char encoding = LowerAscii(line[q1 + 1]);
    std::string_view word = line.substr(start, end + 2 - start);
    std::string_view payload = line.substr(q1 + 3, end - q1 - 3);
    std::string replacement(word);
    if (encoding == 'b' && SameTextSjis(charset, "ISO-2022-JP")) {
      std::string jis = DecodeBase64(payload);
      if (!HasForeignControlBytes(jis)) {
        if (!convert) {
          replacement = jis;
        } else if (auto utf8 = platform::Cp932ToUtf8(JisToSjis(jis))) {
          replacement = *utf8;
        }
      }
    } else if (encoding == 'b' && (SameTextSjis(charset, "UTF-8") || SameTextSjis(charset, "UTF8"))) {
      std::string bytes = DecodeBase64(payload);
      if (IsValidUtf8(bytes) && !HasForeignControlBytes(bytes)) replacement = bytes;
    }
    out.append(line.substr(pos, start - pos));
    out.append(replacement);
    pos = end + 2;
  }
  out.append(line.substr(pos));
  return out;
}

// Where the header block ends: the start of its first empty line, or the
// end of the text when no line is empty.
size_t HeaderBlockEnd(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t eol = text.find('\n', pos);
    if (eol == pos) return pos;
    if (eol == std::string_view::npos) return text.size();
    pos = eol + 1;
  }
  return pos;
}

// Decodes the header block: every line up to the first empty line.
std::string DecodeHeaderBlock(std::string_view text, bool utf8, bool convert) {
  std::string out;
  out.reserve(text.size() + 64);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    size_t lineEnd = eol == std::string_view::npos ? text.size() : eol;
    std::string_view line = text.substr(pos, lineEnd - pos);
    if (line.empty()) break;
    out += utf8 ? DecodeHeaderLineUtf8(line, convert) : DecodeHeaderLineSjis(line);
    if (eol == std::string_view::npos) return out;
    out.push_back('\n');
    pos = eol + 1;
  }
  out.append(text.substr(pos));
  return out;
}

bool TrimmedEmpty(std::string_view line) {
  for (uchar c : line)
    if (c > ' ') return false;
  return true;
}

// The first non-empty line after the first (trimmed) empty line; the number
// of lines when there is none; -1 when no line is empty.
int FindBodyLine(std::string_view text) {
  int index = 0;
  int emptyAt = -1;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    size_t lineEnd = eol == std::string_view::npos ? text.size() : eol;
    std::string_view line = text.substr(pos, lineEnd - pos);
    if (emptyAt < 0) {
      if (TrimmedEmpty(line)) emptyAt = index;
    }
    if (emptyAt >= 0 && !line.empty()) return index;
    ++index;
    if (eol == std::string_view::npos) break;
    pos = eol + 1;
  }
  return emptyAt < 0 ? -1 : index;
}

}  // namespace

std::string_view StatusTextForPage(TDocumentPage page) {
  switch (page) {
    case TDocumentPage::Result: return StatusTextResultPage;
    case TDocumentPage::TextDoc: return StatusTextTextPage;
    case TDocumentPage::HtmlDoc: break;
  }
  return {};
}

std::string PrepareHitPath(std::string_view uri, std::string_view programFolder,
                           const std::vector<std::string>& driveConstantList) {
  std::string path = HitDocumentPath(uri, programFolder, driveConstantList);
  // A searcher that leaves addresses undecoded (namazu -U) writes a file name
  // that is not ASCII percent-encoded, as the file system's UTF-8. Such a
  // path names a file only once decoded; the decoded form is taken only when
  // the written one names nothing and the decoded one an existing file.
  if (path.find('%') == std::string::npos || IsWebAddress(path)) return path;
  const std::string file = DocumentFilePath(path);
  if (platform::FileExists(file) || platform::DirectoryExists(file)) return path;
  const std::string decoded = DecodePercentPath(file);
  if (decoded == file || !(platform::FileExists(decoded) || platform::DirectoryExists(decoded)))
    return path;
  return decoded + path.substr(file.size());
}

std::string DocumentExtension(std::string_view path) {
  size_t dot = ExtensionStart(path);
  if (dot == std::string_view::npos) return {};
  std::string ext = AsciiLowerSjis(path.substr(dot));
  size_t hash = ext.find('#');
  if (hash != std::string::npos) ext.erase(hash);
  return ext;
}

std::string CutFragmentInExtension(std::string_view path) {
  size_t dot = ExtensionStart(path);
  if (dot == std::string_view::npos) return std::string(path);
  size_t hash = path.find('#', dot);
  return std::string(path.substr(0, hash));
}

bool HasHtmlExtension(std::string_view path) {
  size_t dot = ExtensionStart(path);
  if (dot == std::string_view::npos) return false;
  std::string ext = AsciiLowerSjis(path.substr(dot));
  return ext == ".html" || ext == ".htm" || ext == ".shtml";
}

bool IsDefineMode(std::string_view howToOpen) {
  for (std::string_view mode : {"PlainText", "MailNews", "HTML", "System"})
    if (SameTextSjis(howToOpen, mode)) return false;
  return true;
}

TDocumentViewer ClassifyByExtension(std::string_view documentPath,
                                    TDocTypeDefinition& definition) {
  const std::string ext = DocumentExtension(documentPath);
  if (ext == ".html" || ext == ".htm" || ext == ".shtml") {
    definition.Kind = "HTML";
    return TDocumentViewer::Html;
  }
  if (ext == ".txt" || ext == ".ini" || ext.empty()) {
    definition.Kind = "PlainText";
    definition.DecodeHeader = false;
    definition.Convert = "ToSJIS";
    return TDocumentViewer::Text;
  }
  if (ext == ".alm") {
    definition.Kind = "MailNews";
    definition.DecodeHeader = true;
    definition.Convert = "ToSJIS";
    return TDocumentViewer::Text;
  }
  definition.Kind = "System";
  return TDocumentViewer::System;
}

TOpenDecision ChooseViewer(std::string_view howToOpen, std::string_view documentPath,
                           TDocTypeDefinition& definition) {
  TOpenDecision decision;
  if (SameTextSjis(howToOpen, "HTML")) {
    decision.Viewer = TDocumentViewer::Html;
  } else if (SameTextSjis(howToOpen, "PlainText") || SameTextSjis(howToOpen, "MailNews")) {
    decision.Viewer = TDocumentViewer::Text;
  } else if (SameTextSjis(howToOpen, "System")) {
    decision.Viewer = TDocumentViewer::System;
  } else {
    decision.Viewer = ClassifyByExtension(documentPath, definition);
  }
  // The associated application gets the file itself: a fragment would name
  // a file that does not exist.
  if (decision.Viewer == TDocumentViewer::System)
    decision.ShellPath = CutFragmentInExtension(documentPath);
  return decision;
}

namespace {
TBrowserRoute ExternalRoute(std::string_view browserType) {
  if (SameTextSjis(browserType, "Navigator")) return TBrowserRoute::Netscape;
  if (SameTextSjis(browserType, "InternetExplorer")) return TBrowserRoute::InternetExplorer;
  return TBrowserRoute::Shell;
}
}  // namespace

TBrowserRoute RouteForHit(std::string_view displayTo, std::string_view browserType) {
  if (!SameTextSjis(displayTo, "Internal")) return ExternalRoute(browserType);
  return TBrowserRoute::Internal;
}

TBrowserRoute RouteForPage(std::string_view displayTo, std::string_view browserType) {
  if (!SameTextSjis(displayTo, "External")) return TBrowserRoute::Internal;
  return ExternalRoute(browserType);
}

TTextOptions TextOptionsFor(std::string_view howToOpen, std::string_view convert,
                            std::string_view decodeHeader,
                            const TDocTypeDefinition& definition) {
  const bool define = IsDefineMode(howToOpen);
  TTextOptions options;
  options.DecodeHeader = decodeHeader == "1" || (define && definition.DecodeHeader);
  options.Convert = SameTextSjis(convert, "ToSJIS") || (define && definition.Convert == "ToSJIS");
  options.PositionBody =
      SameTextSjis(howToOpen, "MailNews") || (define && definition.Kind == "MailNews");
  return options;
}

bool LooksBinary(std::string_view bytes) {
  std::string_view head = bytes.substr(0, 65536);
  if (head.find('\0') != std::string_view::npos) return true;
  return DetectKanjiCode(bytes.substr(0, TextCheckLength + 1)) == kcNonText;
}

namespace {

// `owned`, when given, holds the bytes `bytes` views (from its start, or
// after a BOM), and is taken as the text when nothing changes them.
TPreparedText Prepare(std::string_view bytes, std::string* owned, const TTextOptions& options) {
  TPreparedText prepared;
  bool bom = bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom;
  if (bom) bytes.remove_prefix(kUtf8Bom.size());
  bool multi = false;
  const bool utf8 = IsValidUtf8(bytes, &multi) && (multi || bom);
  prepared.Encoding = utf8 ? TTextEncoding::Utf8 : TTextEncoding::ShiftJis;

  // A large document is held at most twice at a time, the bytes read and
  // one text made from them: a text is made only where it differs from the
  // bytes (CR line breaks, a decoded header) or as the conversion's result.
  std::string text;
  bool made = false;
  if (bytes.find('\r') != std::string_view::npos) {
    text = NormaliseLineBreaks(bytes);
    made = true;
  }
  auto current = [&] { return made ? std::string_view(text) : bytes; };
  size_t headerEnd = 0;  // where the body begins when decoding changed the header
  if (options.DecodeHeader) {
    // Only the header block is decoded; the body is taken as it is.
    const std::string_view all = current();
    const size_t end = HeaderBlockEnd(all);
    std::string header = DecodeHeaderBlock(all.substr(0, end), utf8, options.Convert);
    if (header != all.substr(0, end)) {
      header.append(all.substr(end));
      text = std::move(header);
      made = true;
      const size_t blank = text.find("\n\n");
      headerEnd = blank == std::string::npos ? text.size() : blank + 1;
    }
  }
  if (options.Convert && !utf8) {
    const std::string_view all = current();
    if (headerEnd == 0) {
      text = ConvertKanjiCode(all, kcSjis);
    } else {
      // Decoded words are ISO-2022-JP, whatever the code of the body: the
      // header and the body are each converted from their own code, so that
      // an EUC-JP or Shift-JIS body is not read as JIS.
      std::string body = ConvertKanjiCode(all.substr(headerEnd), kcSjis);
      text = ConvertKanjiCode(all.substr(0, headerEnd), kcSjis) + body;
    }
    NormaliseLineBreaksInPlace(text);
  } else if (!made && owned != nullptr) {
    owned->erase(0, owned->size() - bytes.size());  // a BOM
    text = std::move(*owned);
  } else if (!made) {
    text.assign(bytes);
  }
  if (options.PositionBody) prepared.BodyLine = FindBodyLine(text);
  prepared.Text = std::move(text);
  return prepared;
}

}  // namespace

TPreparedText PrepareDocumentText(std::string_view bytes, const TTextOptions& options) {
  return Prepare(bytes, nullptr, options);
}

TPreparedText PrepareOwnedDocumentText(std::string bytes, const TTextOptions& options) {
  return Prepare(bytes, &bytes, options);
}

std::string DocumentFilePath(std::string_view documentPath) {
  std::string stripped = StripFragment(documentPath, NativePathStyle);
  if (stripped != documentPath && !platform::FileExists(stripped) &&
      platform::FileExists(documentPath)) {
    return std::string(documentPath);
  }
  return stripped;
}

TDocumentText LoadDocumentText(std::string_view documentPath, const TTextOptions& options) {
  TDocumentText result;
  result.FilePath = DocumentFilePath(documentPath);
  std::string bytes;
  std::string error;
  platform::ReadFailure failure = platform::ReadFailure::None;
  if (!platform::ReadWholeFile(result.FilePath, bytes, &error, MaxDocumentFileBytes, &failure)) {
    result.Status = TDocumentLoadStatus::ReadFailed;
    result.Message = FileRefusedMessage(failure, MaxDocumentFileBytes, result.FilePath);
    if (!result.Message.empty()) return result;
    result.Message = std::string(DocumentReadFailedText) + "\r\n" + result.FilePath;
    if (!error.empty()) result.Message += "\r\n" + error;
    return result;
  }
  if (LooksBinary(bytes)) {
    result.Status = TDocumentLoadStatus::NotText;
    result.Message = std::string(DocumentNotTextText) + "\r\n" + result.FilePath;
    return result;
  }
  result.Text = PrepareOwnedDocumentText(std::move(bytes), options);
  return result;
}

TDocumentCode DetectDocumentCode(std::string_view bytes) {
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) return TDocumentCode::Utf8;
  if (LooksBinary(bytes)) return TDocumentCode::Binary;
  bool multi = false;
  if (IsValidUtf8(bytes, &multi) && multi) return TDocumentCode::Utf8;
  switch (DetectKanjiCode(bytes)) {
    case kcAscii: return TDocumentCode::Ascii;
    case kcNonText: return TDocumentCode::Binary;
    case kcJisNew:
    case kcJisOld: return TDocumentCode::Jis;
    case kcEuc: return TDocumentCode::EucJp;
    case kcSjis:
    case kcEucOrSjis: return TDocumentCode::ShiftJis;
  }
  return TDocumentCode::ShiftJis;
}

std::string HtmlDeclaredCharset(std::string_view bytes) {
  // The page's code is not known yet: lower every ASCII letter byte by byte.
  std::string head(bytes.substr(0, 8192));
  for (char& c : head) c = LowerAscii(c);
  size_t pos = 0;
  for (;;) {
    size_t meta = head.find("<meta", pos);
    if (meta == std::string::npos) return {};
    size_t close = head.find('>', meta);
    if (close == std::string::npos) close = head.size();
    std::string_view tag = std::string_view(head).substr(meta, close - meta);
    size_t at = tag.find("charset");
    while (at != std::string_view::npos) {
      size_t i = at + 7;
      while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '\n' || tag[i] == '\r')) ++i;
      if (i < tag.size() && tag[i] == '=') {
        ++i;
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '"' || tag[i] == '\'')) ++i;
        size_t start = i;
        while (i < tag.size()) {
          char c = tag[i];
          bool nameChar = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_' || c == '.' || c == ':';
          if (!nameChar) break;
          ++i;
        }
        if (i > start) return std::string(tag.substr(start, i - start));
      }
      at = tag.find("charset", at + 7);
    }
    pos = close;
  }
}

TDocumentCode CodeForCharsetName(std::string_view name) {
  const std::string n = AsciiLowerSjis(name);
  for (std::string_view s : {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932",
                             "ms932", "ms_kanji", "csshiftjis", "x-ms-cp932"})
    if (n == s) return TDocumentCode::ShiftJis;
  for (std::string_view s : {"euc-jp", "x-euc-jp", "eucjp", "euc_jp", "cseucpkdfmtjapanese"})
    if (n == s) return TDocumentCode::EucJp;
  for (std::string_view s : {"iso-2022-jp", "csiso2022jp", "jis", "iso2022jp"})
    if (n == s) return TDocumentCode::Jis;
  for (std::string_view s : {"utf-8", "utf8"})
    if (n == s) return TDocumentCode::Utf8;
  for (std::string_view s : {"us-ascii", "ascii"})
    if (n == s) return TDocumentCode::Ascii;
  return TDocumentCode::Unknown;
}

std::string DocumentBytesForScreen(std::string_view bytes, TDocumentCode code, bool& utf8) {
  utf8 = false;
  switch (code) {
    case TDocumentCode::Utf8:
      utf8 = true;
      if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());
      return std::string(bytes);
    case TDocumentCode::Jis: return JisToSjis(bytes);
    case TDocumentCode::EucJp: return EucToSjis(bytes);
    default: return std::string(bytes);
  }
}

std::string AddressToLocalPath(std::string_view address) {
  if (IsWebAddress(address)) return {};
  if (StartsWithNoCase(address, "file:")) {
    std::string_view rest = address.substr(5);
    if (rest.substr(0, 2) == "//") {
      rest.remove_prefix(2);
      if (StartsWithNoCase(rest, "localhost/")) rest.remove_prefix(9);
    }
    size_t hash = rest.find('#');
    return DecodePercentPath(rest.substr(0, hash));
  }
  return StripFragment(address, NativePathStyle);
}

TNavigateDecision DecideBeforeNavigate(std::string_view address, const TNavigateContext& context) {
  auto canonical = [&](std::string_view path) -> std::string {
    if (path.empty()) return {};
    return context.CanonicalPath ? context.CanonicalPath(path) : platform::CanonicalPath(path);
  };
  const bool web = IsWebAddress(address);
  TNavigateDecision decision;

  // 1, 2: the result page itself, and everything outside the HTML page.
  const std::string target = web ? std::string() : canonical(AddressToLocalPath(address));
  const std::string resultPage = canonical(context.ResultFilePath);
  // Two names without a canonical form (a web address, a missing file, no
  // result file at all) are not the result page.
  if (!context.HtmlPageActive || (!target.empty() && target == resultPage)) return decision;

  // Splits a file address into its decoded path and its fragment ("#..." or
  // empty); in a URL a "#" is always the fragment.
  // `written` is the link's own path, decoded, before any expansion.
  auto localParts = [&](std::string& path, std::string& fragment, std::string* written) {
    std::string local = UrlToLocalPath(address, NativePathStyle);
    size_t hash = local.find('#');
    if (hash != std::string::npos) {
      fragment = local.substr(hash);
      local.erase(hash);
    }
    if (written) *written = DecodePercentPath(local);
    path = ExpandProgramRelativePath(local, context.ProgramFolder, NativePathStyle);
    path = DecodePercentPath(path);
  };

  // 3: every followed link to the associated application.
  if (SameTextSjis(context.HowToOpen, "System")) {
    decision.Action = TNavigateAction::OpenWithShell;
    if (web) {
      decision.Target = std::string(address);
    } else {
      std::string path, fragment;
      localParts(path, fragment, nullptr);
      decision.Target = ExpandDriveConstant(path, context.DriveConstantList);
    }
    return decision;
  }

  // 4: drive labels in links. Web addresses are left alone, and the decoded
  // path is compared with the decoded link, so that only a rewritten label
  // (not the percent-encoding alone) takes the navigation over.
  if (context.UseDriveConstantsWebBrowser == "1" && !web) {
    std::string path, fragment, written;
    localParts(path, fragment, &written);
    const std::string remembered = AsciiLowerSjis(written);
    std::string expanded = ExpandDriveConstant(path, context.DriveConstantList);
    if (AsciiLowerSjis(expanded) != remembered) {
      decision.Action = TNavigateAction::Redirect;
      decision.Target = "file://" + LocalPathToUrl(expanded, NativePathStyle) + fragment;
    }
  }
  return decision;
}

TDocumentCompleteAction DocumentCompleteRule(int tag) {
  TDocumentCompleteAction action;
  action.FocusDocument = tag == 1;
  action.NewTag = 0;
  return action;
}

}  // namespace tavirel
