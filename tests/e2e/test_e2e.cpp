// End-to-end tests with the real Namazu programs. Once per test program the
// fixture writes the sample corpus (samples/make-corpus.py) into a fresh
// temporary folder, builds an index from it with mknmz through the captured
// runner, and then every search goes the way the main window sends it:
// BuildSearchCommand, RunSearchCommand with RunConsoleProcess (hidden) as the
// runner, the result file read back and taken apart by ParseResultText. The
// expectations come from the corpus manifest (corpus.json).
//
// The tests pass with and without a compiled ja_JP.SJIS locale: namazu then
// writes English headers, but the hits keep their Shift-JIS " (スコア: N)"
// markers, which the parser recognises as well as " (score: N)".

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/search/resultlist.h"
#include "core/search/searchcmd.h"
#include "core/jconv/jconvert.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "core/process/runner.h"
#include "core/process/ucommon.h"
#include "core/settings/settings.h"

namespace tavirel {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// ---- Shift-JIS texts that mknmz and namazu write ------------------------------------

// 検索対象のファイルを調べています...
constexpr std::string_view ScanningFilesText =
    "\x8C\x9F\x8D\xF5\x91\xCE\x8F\xDB\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x92\xB2"
    "\x82\xD7\x82\xC4\x82\xA2\x82\xDC\x82\xB7...";
// 個のファイルがインデックス作成の対象として見つかりました (after the number of files)
constexpr std::string_view FilesFoundText =
    "\x8C\xC2\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x83\x43\x83\x93\x83\x66\x83\x62"
    "\x83\x4E\x83\x58\x8D\xEC\x90\xAC\x82\xCC\x91\xCE\x8F\xDB\x82\xC6\x82\xB5\x82\xC4\x8C\xA9"
    "\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB5\x82\xBD";
// インデックスを書き出しています...
constexpr std::string_view WritingIndexText =
    "\x83\x43\x83\x93\x83\x66\x83\x62\x83\x4E\x83\x58\x82\xF0\x8F\x91\x82\xAB\x8F\x6F\x82\xB5"
    "\x82\xC4\x82\xA2\x82\xDC\x82\xB7...";
// 検索 in EUC-JP: mknmz's own code, which must never reach the view.
constexpr std::string_view SearchWordEuc = "\xB8\xA1\xBA\xF7";
constexpr std::string_view AuthorLabel = "\x92\x98\x8E\xD2: ";  // 著者:
constexpr std::string_view DateLabel = "\x93\xFA\x95\x74: ";    // 日付:
constexpr std::string_view HyouSjis = "\x95\x5C";               // 表: trail byte 0x5C

// ---- A small JSON reader for the manifest --------------------------------------------

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;

  const JsonValue* Find(std::string_view key) const {
    for (const auto& [name, value] : members) {
      if (name == key) return &value;
    }
    return nullptr;
  }
  const JsonValue& At(std::string_view key) const {
    const JsonValue* value = Find(key);
    if (value == nullptr) throw std::runtime_error("manifest: no key " + std::string(key));
    return *value;
  }
  const std::string& Text() const {
    if (kind != Kind::String) throw std::runtime_error("manifest: string expected");
    return text;
  }
  std::vector<std::string> Texts() const {
    if (kind != Kind::Array) throw std::runtime_error("manifest: array expected");
    std::vector<std::string> out;
    for (const JsonValue& item : items) out.push_back(item.Text());
    return out;
  }
};

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  JsonValue Read() {
    JsonValue value = Value();
    SkipBlanks();
    if (pos_ != text_.size()) Fail("text after the value");
    return value;
  }

 private:
  [[noreturn]] void Fail(const char* what) const {
    throw std::runtime_error("manifest: " + std::string(what) + " at byte " +
                             std::to_string(pos_));
  }
  void SkipBlanks() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\n' || text_[pos_] == '\r' ||
            text_[pos_] == '\t')) {
      ++pos_;
    }
  }
  char Peek() {
    SkipBlanks();
    if (pos_ >= text_.size()) Fail("unexpected end");
    return text_[pos_];
  }
  void Expect(char c) {
    if (Peek() != c) Fail("unexpected character");
    ++pos_;
  }
  bool TakeWord(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  JsonValue Value() {
    JsonValue value;
    const char c = Peek();
    if (c == '{') {
      value.kind = JsonValue::Kind::Object;
      ++pos_;
      if (Peek() == '}') {
        ++pos_;
        return value;
      }
      for (;;) {
        if (Peek() != '"') Fail("key expected");
        std::string key = String();
        Expect(':');
        value.members.emplace_back(std::move(key), Value());
        if (Peek() == ',') {
          ++pos_;
          continue;
        }
        Expect('}');
        return value;
      }
    }
    if (c == '[') {
      value.kind = JsonValue::Kind::Array;
      ++pos_;
      if (Peek() == ']') {
        ++pos_;
        return value;
      }
      for (;;) {
        value.items.push_back(Value());
        if (Peek() == ',') {
          ++pos_;
          continue;
        }
        Expect(']');
        return value;
      }
    }
    if (c == '"') {
      value.kind = JsonValue::Kind::String;
      value.text = String();
      return value;
    }
    if (TakeWord("true")) {
      value.kind = JsonValue::Kind::Bool;
      value.boolean = true;
      return value;
    }
    if (TakeWord("false")) {
      value.kind = JsonValue::Kind::Bool;
      return value;
    }
    if (TakeWord("null")) return value;
    const size_t start = pos_;
    while (pos_ < text_.size() && std::string_view("+-0123456789.eE").find(text_[pos_]) !=
                                      std::string_view::npos) {
      ++pos_;
    }
    if (start == pos_) Fail("value expected");
    value.kind = JsonValue::Kind::Number;
    value.number = std::stod(std::string(text_.substr(start, pos_ - start)));
    return value;
  }

  unsigned Hex4() {
    if (pos_ + 4 > text_.size()) Fail("short \\u escape");
    unsigned code = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = text_[pos_++];
      code <<= 4;
      if (h >= '0' && h <= '9') code |= static_cast<unsigned>(h - '0');
      else if (h >= 'a' && h <= 'f') code |= static_cast<unsigned>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F') code |= static_cast<unsigned>(h - 'A' + 10);
      else Fail("bad \\u escape");
    }
    return code;
  }

  static void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string String() {
    Expect('"');
    std::string out;
    for (;;) {
      if (pos_ >= text_.size()) Fail("unterminated string");
      const char c = text_[pos_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) Fail("unterminated escape");
      const char e = text_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          unsigned code = Hex4();
          if (code >= 0xD800 && code < 0xDC00 && TakeWord("\\u")) {
            const unsigned low = Hex4();
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, code);
          break;
        }
        default: Fail("unknown escape");
      }
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
};

// ---- The manifest ------------------------------------------------------------------------

// Strings are UTF-8, as in corpus.json.
struct Document {
  std::string file;   // relative, "/"-separated
  std::string kind;   // text, html, mail, news
  std::vector<std::string> keywords;
  std::string title;
  bool titleExact = true;
  bool mail = false;
  int64_t mtime = 0;
  std::string subject, fromName, fromAddr, date;
  std::string halfWidthIndexedAs;  // empty when the document has none
};

struct Manifest {
  std::vector<Document> documents;
  std::map<std::string, std::vector<std::string>> shared;
  std::string phrase;
  std::vector<std::string> adjacent, apart;

  const Document& Doc(std::string_view file) const {
    for (const Document& d : documents) {
      if (d.file == file) return d;
    }
    throw std::runtime_error("manifest: no document " + std::string(file));
  }
};

Manifest ReadManifest(const std::string& json) {
  const JsonValue root = JsonReader(json).Read();
  Manifest manifest;
  for (const JsonValue& d : root.At("documents").items) {
    Document doc;
    doc.file = d.At("file").Text();
    doc.kind = d.At("kind").Text();
    doc.keywords = d.At("keywords").Texts();
    doc.title = d.At("title").Text();
    doc.titleExact = d.At("title_exact").boolean;
    doc.mail = d.At("mail").boolean;
    doc.mtime = static_cast<int64_t>(d.At("mtime").number);
    if (doc.mail) {
      doc.subject = d.At("subject").Text();
      doc.fromName = d.At("from_name").Text();
      doc.fromAddr = d.At("from_addr").Text();
      doc.date = d.At("date").Text();
    }
    if (const JsonValue* hw = d.Find("halfwidth_katakana")) {
      doc.halfWidthIndexedAs = hw->At("indexed_as").Text();
    }
    manifest.documents.push_back(std::move(doc));
  }
  for (const auto& [word, files] : root.At("shared").members) {
    manifest.shared[word] = files.Texts();
  }
  const JsonValue& phrase = root.At("phrase");
  manifest.phrase = phrase.At("phrase").Text();
  manifest.adjacent = phrase.At("adjacent").Texts();
  manifest.apart = phrase.At("apart").Texts();
  if (manifest.documents.empty()) throw std::runtime_error("manifest: no documents");
  return manifest;
}

// ---- Helpers -------------------------------------------------------------------------------

std::string Sjis(std::string_view utf8) {
  std::optional<std::string> sjis = platform::Utf8ToCp932(utf8);
  if (!sjis) throw std::runtime_error("no Shift-JIS form for " + std::string(utf8));
  return *sjis;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

Lines SplitLines(std::string_view bytes) {
  Lines lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    lines.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The path as mknmz writes it in its progress lines and stores it: "%" and
// every byte but letters, digits and "~-_./:" percent-encoded.
std::string EncodedLikeMknmz(std::string_view path) {
  std::string out;
  for (char c : path) {
    const auto u = static_cast<unsigned char>(c);
    const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                       (u >= '0' && u <= '9') || std::string_view("~-_./:").find(c) !=
                                                     std::string_view::npos;
    if (plain) {
      out += c;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", u);
      out += hex;
    }
  }
  return out;
}

std::string MimeTypeOf(const Document& doc) {
  if (doc.kind == "html") return "text/html";
  if (doc.kind == "mail") return "message/rfc822";
  if (doc.kind == "news") return "message/news";
  return "text/plain";
}

// Seconds since the epoch of a Date header "Mon, 15 Mar 2010 09:30:00 +0900".
int64_t ParseMailDate(const std::string& date) {
  char weekday[8] = {}, month[8] = {};
  int day = 0, year = 0, hour = 0, minute = 0, second = 0, zone = 0;
  if (std::sscanf(date.c_str(), "%3s, %d %3s %d %d:%d:%d %d", weekday, &day, month, &year,
                  &hour, &minute, &second, &zone) != 8) {
    throw std::runtime_error("unreadable date " + date);
  }
  static const std::string_view months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm tm{};
  tm.tm_mon = -1;
  for (int i = 0; i < 12; ++i) {
    if (months[i] == month) tm.tm_mon = i;
  }
  if (tm.tm_mon < 0) throw std::runtime_error("unreadable month in " + date);
  tm.tm_year = year - 1900;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  const int sign = zone < 0 ? -1 : 1;
  const int zoneSeconds = sign * ((sign * zone) / 100 * 3600 + (sign * zone) % 100 * 60);
  return static_cast<int64_t>(timegm(&tm)) - zoneSeconds;
}

// A decoded subject as mknmz stores it: full-width ASCII (U+FF01-U+FF5E)
// becomes ASCII and the ideographic space a blank.
std::string AsIndexed(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto b0 = static_cast<unsigned char>(utf8[i]);
    if (b0 == 0xEF && i + 2 < utf8.size()) {
      const unsigned code = ((b0 & 0x0Fu) << 12) |
                            ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
                            (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
      if (code >= 0xFF01 && code <= 0xFF5E) {
        out += static_cast<char>(code - 0xFEE0);
        i += 3;
        continue;
      }
    }
    if (utf8.substr(i, 3) == "\xE3\x80\x80") {  // U+3000
      out += ' ';
      i += 3;
      continue;
    }
    out += utf8[i++];
  }
  return out;
}

// The time namazu orders documents by for --early and --late: the Date header
// of mail and news, the modification time of other files.
int64_t DocumentTime(const Document& doc) {
  return doc.mail ? ParseMailDate(doc.date) : doc.mtime;
}

bool FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string_view list = path != nullptr ? path : "/usr/bin:/bin";
  while (!list.empty()) {
    const size_t colon = list.find(':');
    const std::string folder(list.substr(0, colon));
    if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return false;
}

// The lines of a captured run, kept in memory.
class MemoryView : public IConsoleView {
 public:
  Lines lines;
  int tag = 1;

  int LineCount() const override { return static_cast<int>(lines.size()); }
  void AppendLine(std::string_view line) override { lines.emplace_back(line); }
  void InsertLine(int index, std::string_view line) override {
    lines.insert(lines.begin() + index, std::string(line));
  }
  void ReplaceLine(int index, std::string_view line) override {
    lines.at(static_cast<size_t>(index)) = std::string(line);
  }
  void ShowLastLine() override {}
  int Tag() const override { return tag; }
  void SetTag(int value) override { tag = value; }

  bool HasLine(std::string_view line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

// One captured run and what the callbacks saw.
struct CapturedRun {
  MemoryView view;
  intptr_t result = 0;
  Lines messages;
  std::vector<int> tagsDuringRun;
};

// mknmz command lines go with acMknmz, as the index creation window runs them.
void RunCaptured(CapturedRun& run, const std::string& commandLine, const std::string& workDir) {
  ConsoleRunCallbacks callbacks;
  callbacks.processEvents = [&run] { run.tagsDuringRun.push_back(run.view.Tag()); };
  callbacks.showMessage = [&run](std::string_view text) { run.messages.emplace_back(text); };
  run.result =
      RunConsoleProcess(commandLine, workDir, psmCaptured, &run.view, callbacks, acMknmz);
}

// One hit of a result file, with what its lines say.
struct HitInfo {
  std::string title;
  std::string uri;
  int score = -1;
  std::string lineAfterTitle;
  std::string date;  // the text after "日付: ", empty when not shown
};

struct SearchRun {
  SearchCommand command;
  SearchRunOutcome outcome;
  Lines messages;
  std::string bytes;
  ResultListParse parse;
  std::vector<HitInfo> hits;
};

// The score written after the last title marker of a line, or -1.
int ScoreOf(std::string_view line) {
  size_t marker = line.rfind(ScoreMarker);
  size_t length = ScoreMarker.size();
  const size_t ja = line.rfind(ScoreMarkerJa);
  if (ja != std::string_view::npos && (marker == std::string_view::npos || ja > marker)) {
    marker = ja;
    length = ScoreMarkerJa.size();
  }
  if (marker == std::string_view::npos) return -1;
  size_t i = marker + length;
  while (i < line.size() && line[i] == ' ') ++i;
  int score = 0;
  bool digits = false;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    score = score * 10 + (line[i] - '0');
    digits = true;
  }
  return digits ? score : -1;
}

bool IsTitleLine(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
  return i > 0 && line.substr(i, 2) == ". " && ScoreOf(line) >= 0;
}

// ---- The fixture -----------------------------------------------------------------------

class NamazuEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    try {
      Prepare();
    } catch (const std::exception& e) {
      error_ = e.what();
    }
  }

  static void TearDownTestSuite() {
    if (!rootUtf8_.empty()) {
      std::error_code ignored;
      fs::remove_all(rootUtf8_, ignored);
    }
  }

  void SetUp() override {
    if (!skip_.empty()) GTEST_SKIP() << skip_;
    ASSERT_TRUE(error_.empty()) << error_;
  }

  static void Prepare() {
    const fs::path tempRoot = fs::temp_directory_path();
    std::string pattern = (tempRoot / "tavirel-e2e-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a temporary folder under " + tempRoot.string());
    }
    rootUtf8_ = pattern;
    root_ = Sjis(rootUtf8_);

    // The settings as a first start writes them.
    const std::string iniPath = root_ + "/tavirel.ini";
    WriteDefaultSettings(iniPath);
    LoadSettings(settings_, iniPath);

    if (!FindOnPath("python3")) {
      skip_ = "python3 is not installed (it writes the sample corpus)";
      return;
    }
    if (::access(settings_.namazuPath.c_str(), X_OK) != 0) {
      skip_ = "namazu is not installed at " + settings_.namazuPath + " (package namazu2)";
      return;
    }
    if (::access(settings_.PerlPath.c_str(), X_OK) != 0 ||
        ::access(settings_.mknmzPath.c_str(), R_OK) != 0) {
      skip_ = "mknmz is not installed at " + settings_.mknmzPath + " or perl at " +
              settings_.PerlPath + " (package namazu2-index-tools)";
      return;
    }

    // The corpus.
    corpus_ = root_ + "/corpus";
    {
      platform::ProcessStartInfo info;
      info.arguments = {"python3", std::string(TAVIREL_SOURCE_DIR) + "/samples/make-corpus.py",
                        corpus_};
      info.captureOutput = true;
      platform::ChildProcess child;
      const platform::StartResult started = child.Start(info);
      if (!started.started) {
        throw std::runtime_error("python3 could not be started, errno " +
                                 std::to_string(started.error));
      }
      std::string output;
      platform::ReadStatus status = platform::ReadStatus::Data;
      while (status == platform::ReadStatus::Data || status == platform::ReadStatus::Timeout) {
        status = child.ReadOutput(output, 1000);
      }
      const int exitCode = child.Wait();
      if (exitCode != 0) {
        throw std::runtime_error("make-corpus.py failed (" + std::to_string(exitCode) +
                                 "): " + output);
      }
    }
    std::string json;
    std::string error;
    if (!platform::ReadWholeFile(corpus_ + "/corpus.json", json, &error)) {
      throw std::runtime_error("corpus.json: " + error);
    }
    manifest_ = ReadManifest(json);

    // The index, built as the index window runs mknmz: captured into a view.
    index_ = root_ + "/index";
    if (!platform::CreateFolders(index_, &error)) throw std::runtime_error(error);
    mknmzCommand_ = MknmzCommand("-O \"" + index_ + "\"");
    RunCaptured(mknmz_, mknmzCommand_, root_);
  }

  static std::string MknmzCommand(const std::string& outputOption) {
    return "\"" + settings_.PerlPath + "\" \"" + settings_.mknmzPath + "\" " + outputOption +
           " \"" + corpus_ + "\"";
  }

  // The settings every search starts from: the defaults with our index.
  static TSettings SearchSettings() {
    TSettings s = settings_;
    s.DirectoryCount = "1";
    s.IndexDirectories = {index_};
    return s;
  }

  // A search the way the main window runs one; the result folder and the
  // program's folder are the temporary folder.
  static SearchRun Search(const TSettings& settings, const SearchViewState& view,
                          std::string_view formula) {
    SearchRun run;
    run.command = BuildSearchCommand(settings, view, formula, ResultFolder(settings, root_, root_),
                                     root_, {}, false);
    ConsoleRunCallbacks callbacks;
    callbacks.showMessage = [&run](std::string_view text) { run.messages.emplace_back(text); };
    const SearchRunner runner = [&callbacks](const std::string& commandLine,
                                             const std::string& folder) {
      return RunConsoleProcess(commandLine, folder, psmHidden, nullptr, callbacks, acNamazu) != 0
                 ? 1
                 : 0;
    };
    run.outcome = RunSearchCommand(settings, run.command, root_, {}, runner);
    if (run.outcome.Result != TSearchRunResult::srrResultReady) return run;
    std::string error;
    EXPECT_TRUE(platform::ReadWholeFile(run.command.ResultFilePath, run.bytes, &error)) << error;
    // The result list shows undecoded file names decoded.
    if (UndecodedFileNames(settings)) {
      run.bytes = ReadableResultText(run.bytes, SettingsInt(settings.FileNameBlankLineNext, 0),
                                     SettingsInt(settings.FileNameSpaceFromEnd, 0));
    }
    run.parse = ParseResultText(run.bytes, settings);

    const Lines lines = SplitLines(run.bytes);
    for (size_t i = 0; i < lines.size(); ++i) {
      if (!IsTitleLine(lines[i])) continue;
      HitInfo hit;
      hit.score = ScoreOf(lines[i]);
      if (i + 1 < lines.size()) hit.lineAfterTitle = lines[i + 1];
      for (size_t j = i + 1; j < lines.size() && j < i + 4 && !lines[j].empty(); ++j) {
        if (lines[j].rfind(DateLabel, 0) == 0) hit.date = lines[j].substr(DateLabel.size());
      }
      run.hits.push_back(std::move(hit));
    }
    // Title and file name as the result list recognises them; the title
    // begins with the hit's number, "1. ".
    EXPECT_EQ(run.hits.size(), run.parse.Hits.size()) << run.command.CommandLine;
    for (size_t i = 0; i < run.hits.size() && i < run.parse.Hits.size(); ++i) {
      const std::string& title = run.parse.Hits[i].Title;
      const std::string number = std::to_string(i + 1) + ". ";
      EXPECT_EQ(title.rfind(number, 0), 0u) << title;
      run.hits[i].title = title.substr(std::min(number.size(), title.size()));
      run.hits[i].uri = run.parse.Hits[i].Uri;
    }
    return run;
  }

  // The corpus-relative file of a hit (UTF-8, as in the manifest).
  static std::string RelativeFile(const std::string& uri) {
    const std::string path = platform::NativePath(uri).value_or(uri);
    const std::string prefix = rootUtf8_ + "/corpus/";
    if (path.rfind(prefix, 0) != 0) return "(outside the corpus) " + path;
    return path.substr(prefix.size());
  }

  static std::vector<std::string> Files(const SearchRun& run) {
    std::vector<std::string> files;
    for (const HitInfo& hit : run.hits) files.push_back(RelativeFile(hit.uri));
    return files;
  }

  static std::vector<std::string> Sorted(std::vector<std::string> files) {
    std::sort(files.begin(), files.end());
    return files;
  }

  static inline std::string skip_;
  static inline std::string error_;
  static inline std::string rootUtf8_;
  static inline std::string root_;    // Shift-JIS, as every path inside the program
  static inline std::string corpus_;
  static inline std::string index_;
  static inline TSettings settings_;
  static inline Manifest manifest_;
  static inline std::string mknmzCommand_;
  static inline CapturedRun mknmz_;
};

// ---- Building the index ----------------------------------------------------------------

TEST_F(NamazuEndToEnd, IndexerOutputReachesTheViewInShiftJis) {
  const CapturedRun& run = mknmz_;
  ASSERT_NE(run.result, 0) << (run.messages.empty() ? "" : run.messages.front());
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(run.view.Tag(), 1);
  ASSERT_FALSE(run.tagsDuringRun.empty());
  EXPECT_TRUE(std::all_of(run.tagsDuringRun.begin(), run.tagsDuringRun.end(),
                          [](int tag) { return tag == 0; }));

  const Lines& lines = run.view.lines;
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "WorkDir: " + root_);
  EXPECT_EQ(lines[1], "CommandLine: ");
  EXPECT_EQ(lines[2], mknmzCommand_);

  // mknmz writes EUC-JP; the view holds the same messages in Shift-JIS, each
  // with the blank the runner appends.
  const std::string count = std::to_string(manifest_.documents.size());
  EXPECT_TRUE(run.view.HasLine(std::string(ScanningFilesText) + " "));
  EXPECT_TRUE(run.view.HasLine(count + std::string(FilesFoundText) + " "));
  EXPECT_TRUE(run.view.HasLine(std::string(WritingIndexText) + " "));
  for (const std::string& line : lines) {
    EXPECT_FALSE(Contains(line, SearchWordEuc)) << line;
    const TKanjiCode code = DetectKanjiCode(line + "\n");
    EXPECT_TRUE(code != kcEuc && code != kcJisNew && code != kcJisOld) << line;
  }

  // One progress line per document: "k/N - path [type] ".
  for (const Document& doc : manifest_.documents) {
    const std::string tail = " - " + EncodedLikeMknmz(corpus_ + "/" + doc.file) + " [" +
                             MimeTypeOf(doc) + "] ";
    const bool found = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.size() > tail.size() && line.compare(line.size() - tail.size(), tail.size(),
                                                       tail) == 0 &&
             Contains(line, "/" + count + " - ");
    });
    EXPECT_TRUE(found) << "no progress line ending in \"" << tail << "\"";
  }
}

TEST_F(NamazuEndToEnd, IndexFilesExist) {
  for (const char* name : {"NMZ.i", "NMZ.ii", "NMZ.w", "NMZ.wi", "NMZ.p", "NMZ.pi", "NMZ.r",
                           "NMZ.t", "NMZ.status", "NMZ.field.uri", "NMZ.field.subject"}) {
    EXPECT_TRUE(platform::FileExists(index_ + "/" + name)) << name;
  }
  EXPECT_GT(platform::GetFileAttributes(index_ + "/NMZ.i").size, 0u);
}

// ---- Searching -------------------------------------------------------------------------------

// Every keyword finds its document alone, with the title the manifest
// expects; mail shows its decoded sender. A Japanese file name comes out of
// namazu garbled unless it is left percent-encoded (-U), so those documents
// are searched with -U passed through namazuOption.
TEST_F(NamazuEndToEnd, EveryKeywordFindsExactlyItsDocument) {
  for (const Document& doc : manifest_.documents) {
    std::vector<std::string> words = doc.keywords;
    if (!doc.halfWidthIndexedAs.empty()) words.push_back(doc.halfWidthIndexedAs);
    const TSettings settings = SearchSettings();
    for (const std::string& word : words) {
      SCOPED_TRACE(doc.file + " / " + word);
      const SearchRun run = Search(settings, {}, Sjis(word));
      ASSERT_EQ(run.outcome.Result, TSearchRunResult::srrResultReady) << run.outcome.Message;
      EXPECT_TRUE(run.outcome.Started);
      EXPECT_TRUE(run.messages.empty());
      EXPECT_TRUE(run.parse.Found);
      ASSERT_EQ(run.hits.size(), 1u) << run.command.CommandLine;
      const HitInfo& hit = run.hits[0];
      // Japanese file names and the titles mknmz made from them read right;
      // characters Shift-JIS cannot write show as escapes.
      EXPECT_EQ(hit.uri, corpus_ + "/" + platform::ProgramPathFromNative(doc.file));
      EXPECT_EQ(hit.title, platform::ProgramPathFromNative(doc.title));
      if (doc.mail) {
        EXPECT_EQ(hit.lineAfterTitle,
                  std::string(AuthorLabel) + Sjis(doc.fromName + " <" + doc.fromAddr + ">"));
        EXPECT_EQ(hit.date, doc.date);
      }
    }
  }
}

// Mail and news: mknmz decodes the encoded Subject (folded over two lines for
// the news article), so the title is the subject as stored, not the file name.
TEST_F(NamazuEndToEnd, MailTitleIsTheDecodedSubject) {
  int mails = 0;
  for (const Document& doc : manifest_.documents) {
    if (!doc.mail) continue;
    ++mails;
    SCOPED_TRACE(doc.file);
    const SearchRun run = Search(SearchSettings(), {}, Sjis(doc.keywords.at(0)));
    ASSERT_EQ(run.hits.size(), 1u);
    EXPECT_EQ(run.hits[0].title, Sjis(AsIndexed(doc.subject)));
    EXPECT_EQ(run.hits[0].title, Sjis(doc.title));
  }
  EXPECT_GE(mails, 2);
}

// Words found in several documents: the hits are exactly the manifest's
// list, in score order (descending by default, ascending when asked).
TEST_F(NamazuEndToEnd, SharedWordsInScoreOrder) {
  const TSettings settings = SearchSettings();
  for (const bool ascending : {false, true}) {
    for (const auto& [word, files] : manifest_.shared) {
      SCOPED_TRACE(word + (ascending ? " ascending" : " descending"));
      SearchViewState view;
      view.Sort = TSortKind::skScore;
      view.Ascending = ascending;
      view.ListCountAll = true;
      const SearchRun run = Search(settings, view, Sjis(word));
      ASSERT_EQ(run.outcome.Result, TSearchRunResult::srrResultReady);
      EXPECT_EQ(Sorted(Files(run)), files);
      for (size_t i = 1; i < run.hits.size(); ++i) {
        if (ascending) {
          EXPECT_LE(run.hits[i - 1].score, run.hits[i].score) << i;
        } else {
          EXPECT_GE(run.hits[i - 1].score, run.hits[i].score) << i;
        }
      }
    }
  }
}

// The sort items reach namazu: each order is checked against the manifest
// (document times, titles) or the dates the hits show.
TEST_F(NamazuEndToEnd, SortItems) {
  const std::string word = "\xE6\xA4\x9C\xE7\xB4\xA2";  // 検索 (UTF-8, as in the manifest)
  const std::vector<std::string>& expectedFiles = manifest_.shared.at(word);
  ASSERT_GE(expectedFiles.size(), 5u);
  struct Case {
    const char* name;
    TSortKind sort;
    bool ascending;
  };
  const Case cases[] = {
      {"earlier", TSortKind::skEarlier, false}, {"later", TSortKind::skLater, false},
      {"date header ascending", TSortKind::skDate, true},
      {"date header descending", TSortKind::skDate, false},
      {"title ascending", TSortKind::skTitle, true},
      {"title descending", TSortKind::skTitle, false},
  };
  const TSettings settings = SearchSettings();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SearchViewState view;
    view.Sort = c.sort;
    view.Ascending = c.ascending;
    view.ListCountAll = true;
    const SearchRun run = Search(settings, view, Sjis(word));
    ASSERT_EQ(run.outcome.Result, TSearchRunResult::srrResultReady);
    const std::vector<std::string> files = Files(run);
    ASSERT_EQ(Sorted(files), expectedFiles);

    // Each hit's sort key; `descending` orders say that keys never rise.
    std::vector<std::string> keys;
    bool descending = !c.ascending;
    for (size_t i = 0; i < files.size(); ++i) {
      const Document& doc = manifest_.Doc(files[i]);
      switch (c.sort) {
        case TSortKind::skEarlier:
        case TSortKind::skLater: {
          // Fixed width, so that text order is time order.
          char key[32];
          std::snprintf(key, sizeof key, "%020lld", static_cast<long long>(DocumentTime(doc)));
          keys.push_back(key);
          descending = c.sort == TSortKind::skLater;
          break;
        }
        case TSortKind::skDate:
          // namazu orders by the Date field as text, which the hit shows.
          ASSERT_FALSE(run.hits[i].date.empty()) << files[i];
          keys.push_back(run.hits[i].date);
          break;
        default:
          // Titles are compared in namazu's code, EUC-JP; a title made from a
          // Japanese file name is stored as its UTF-8 bytes and left out.
          if (doc.titleExact) keys.push_back(SjisToEuc(Sjis(doc.title)));
          break;
      }
    }
    ASSERT_GE(keys.size(), 5u);
    std::vector<std::string> expected = keys;
    if (descending) {
      std::stable_sort(expected.begin(), expected.end(), std::greater<>());
    } else {
      std::stable_sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(keys, expected);
  }
}

// --max, --all and the number of hits.
TEST_F(NamazuEndToEnd, NumberOfHits) {
  const std::string word = "\xE6\xA4\x9C\xE7\xB4\xA2";  // 検索
  const size_t matching = manifest_.shared.at(word).size();
  ASSERT_GT(matching, 5u);
  SearchViewState allView;
  allView.ListCountAll = true;
  const SearchRun all = Search(SearchSettings(), allView, Sjis(word));
  ASSERT_EQ(all.hits.size(), matching);

  struct Case {
    const char* listCount;
    bool listCountAll;
    size_t expected;
  };
  const Case cases[] = {
      {"2", false, 2},         {"5", false, 5},        {"1", false, 1},
      {"20", false, matching}, {"2", true, matching},  {"0", false, matching},  // 0 -> 20
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("ListCount ") + c.listCount + (c.listCountAll ? " all" : ""));
    TSettings settings = SearchSettings();
    settings.ListCount = c.listCount;
    SearchViewState view;
    view.ListCountAll = c.listCountAll;
    const SearchRun run = Search(settings, view, Sjis(word));
    ASSERT_EQ(run.hits.size(), c.expected) << run.command.CommandLine;
    // The first hits of the complete list, in the same order.
    for (size_t i = 0; i < run.hits.size(); ++i) EXPECT_EQ(run.hits[i].uri, all.hits[i].uri);
  }
}

// --short: each title line is followed directly by its file-name line.
TEST_F(NamazuEndToEnd, ShortResultsLeaveOutSummaries) {
  const std::string word = "\xE5\x8E\xBB\xE5\xB9\xB4";  // 去年
  SearchViewState full;
  full.ListCountAll = true;
  SearchViewState brief = full;
  brief.ContentsOff = true;
  const SearchRun long_ = Search(SearchSettings(), full, Sjis(word));
  const SearchRun short_ = Search(SearchSettings(), brief, Sjis(word));
  ASSERT_EQ(long_.hits.size(), manifest_.shared.at(word).size());
  ASSERT_EQ(short_.hits.size(), long_.hits.size());
  EXPECT_TRUE(Contains(long_.bytes, AuthorLabel));
  EXPECT_FALSE(Contains(short_.bytes, AuthorLabel));
  EXPECT_FALSE(Contains(short_.bytes, DateLabel));
  for (size_t i = 0; i < short_.hits.size(); ++i) {
    EXPECT_EQ(short_.hits[i].uri, long_.hits[i].uri);
    EXPECT_EQ(short_.hits[i].title, long_.hits[i].title);
    EXPECT_EQ(short_.hits[i].lineAfterTitle.rfind(short_.hits[i].uri + " (", 0), 0u)
        << short_.hits[i].lineAfterTitle;
    EXPECT_NE(long_.hits[i].lineAfterTitle.rfind(long_.hits[i].uri + " (", 0), 0u);
  }
}

// A result for the web browser: result.html, an HTML page naming the hit.
TEST_F(NamazuEndToEnd, HtmlResultForTheWebBrowser) {
  const Document& doc = manifest_.Doc("text/english.txt");
  TSettings settings = SearchSettings();
  settings.ResultDisplayTo = "WebBrowser";
  const SearchRun run = Search(settings, {}, Sjis(doc.keywords.at(0)));
  EXPECT_EQ(run.command.ResultFilePath, root_ + "/result.html");
  ASSERT_EQ(run.outcome.Result, TSearchRunResult::srrResultReady) << run.outcome.Message;
  std::string lower = run.bytes;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  });
  EXPECT_TRUE(Contains(lower, "<html")) << run.bytes.substr(0, 200);
  EXPECT_TRUE(Contains(lower, "</html>"));
  EXPECT_TRUE(Contains(run.bytes, corpus_ + "/" + doc.file));

  // Japanese file names and the titles made from them read right on the page
  // once it is made readable; the links keep their encoded targets.
  const SearchRun japanese = Search(settings, {}, Sjis("温泉 or 牛丼"));
  ASSERT_EQ(japanese.outcome.Result, TSearchRunResult::srrResultReady);
  ASSERT_TRUE(MakeResultPageReadable(settings, japanese.command.ResultFilePath));
  std::string page;
  ASSERT_TRUE(platform::ReadWholeFile(japanese.command.ResultFilePath, page));
  const std::string shown[] = {
      ">" + Sjis("旅行の覚え書き.txt") + "</a>",
      ">&#x20BB7;" + Sjis("野家の①メモ.txt") + "</a>",
      ">" + corpus_ + Sjis("/text/旅行の覚え書き.txt") + "</a>",
      ">" + corpus_ + Sjis("/text/日本語フォルダ/") + "&#x20BB7;" + Sjis("野家の①メモ.txt") + "</a>",
      "href=\"" + corpus_ + "/text/%E6%97%85%E8%A1%8C",
  };
  for (const std::string& piece : shown) EXPECT_TRUE(Contains(page, piece)) << piece << "\n" << page;
}

// The phrase in double quotes reaches namazu as one argument with its quotes:
// only the document with the two words side by side matches. Without the
// quotes both words are searched for anywhere.
TEST_F(NamazuEndToEnd, PhraseSearch) {
  ASSERT_EQ(manifest_.adjacent.size(), 1u);
  const std::string phrase = Sjis(manifest_.phrase);
  std::vector<std::string> both = manifest_.adjacent;
  both.insert(both.end(), manifest_.apart.begin(), manifest_.apart.end());
  std::sort(both.begin(), both.end());
  struct Case {
    std::string formula;
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {"\"" + phrase + "\"", manifest_.adjacent},
      {"{" + phrase + "}", manifest_.adjacent},
      {phrase, both},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    SearchViewState view;
    view.ListCountAll = true;
    const SearchRun run = Search(SearchSettings(), view, c.formula);
    ASSERT_EQ(run.outcome.Result, TSearchRunResult::srrResultReady);
    EXPECT_EQ(Sorted(Files(run)), c.files) << run.command.CommandLine;
  }
}

// Formulas that a command line could break apart or take for options reach
// namazu byte for byte: its reference line repeats every word it was given.
TEST_F(NamazuEndToEnd, AwkwardFormulasReachTheSearcherUnchanged) {
  struct Case {
    std::string formula;
    std::vector<std::string> echoed;  // "[ word: hits ]" pieces
  };
  const Case cases[] = {
      // A formula that begins with "-" is no option: "-o notes.txt" would
      // otherwise send the result to a file " notes.txt".
      {"-o notes.txt", {"[ -o: 0 ]", "[ notes.txt: 0 ]"}},
      {"-lighthouse", {"[ -lighthouse: 0 ]"}},
      {"--output=stray.txt", {"[ --output=stray.txt: 0 ]"}},
      // 表: its trail byte is 0x5C, a backslash in ASCII.
      {std::string(HyouSjis), {"[ " + std::string(HyouSjis) + ": 0 ]"}},
      {"a\\\"b", {"[ a\\\"b: 0 ]"}},
      // Unbalanced quote: two words, "quick with its quote.
      {"\"quick indexing", {"[ \"quick: 0 ]", "[ indexing: 2 ]"}},
  };
  const fs::path root(rootUtf8_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    const SearchRun run = Search(SearchSettings(), {}, c.formula);
    ASSERT_EQ(run.outcome.Result, TSearchRunResult::srrResultReady);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_FALSE(run.parse.Found);
    EXPECT_TRUE(run.hits.empty());
    for (const std::string& piece : c.echoed) {
      EXPECT_TRUE(Contains(run.bytes, piece)) << piece << "\n" << run.bytes;
    }
    EXPECT_FALSE(fs::exists(root / " notes.txt"));
    EXPECT_FALSE(fs::exists(root / "stray.txt"));
  }
}

// ---- Failures ---------------------------------------------------------------------------------

// A program that cannot be started: the runner reports it through the
// message callback and returns 0, a captured view is given back (tag 1), and
// a search does not take the previous search's result file for its own.
TEST_F(NamazuEndToEnd, ProgramThatCannotBeStarted) {
  const std::string missingProgram = root_ + "/no-such-folder/namazu";
  const std::string missingFolder = root_ + "/no-such-folder";

  // Searches: a good one first leaves result.txt behind.
  const Document& doc = manifest_.Doc("text/english.txt");
  ASSERT_EQ(Search(SearchSettings(), {}, Sjis(doc.keywords.at(0))).hits.size(), 1u);
  TSettings settings = SearchSettings();
  settings.namazuPath = missingProgram;
  const SearchRun run = Search(settings, {}, Sjis(doc.keywords.at(0)));
  EXPECT_FALSE(run.outcome.Started);
  EXPECT_EQ(run.outcome.Result, TSearchRunResult::srrResultMissing);
  EXPECT_EQ(run.outcome.Message,
            std::string(ResultFileMissingMessage) + "\n" + run.command.ResultFilePath);
  ASSERT_EQ(run.messages.size(), 1u);
  EXPECT_EQ(run.messages[0], StartFailureMessage(root_, run.command.CommandLine, ENOENT));
  EXPECT_FALSE(platform::FileExists(run.command.ResultFilePath));

  // Captured runs of the indexer.
  struct Case {
    const char* name;
    std::string commandLine;
    std::string workDir;
  };
  const Case cases[] = {
      {"missing perl", "\"" + missingProgram + "\" \"" + settings_.mknmzPath + "\" -O \"" +
                           index_ + "\" \"" + corpus_ + "\"", root_},
      {"missing working folder", mknmzCommand_, missingFolder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CapturedRun captured;
    captured.view.lines = {"earlier output"};
    RunCaptured(captured, c.commandLine, c.workDir);
    EXPECT_EQ(captured.result, 0);
    EXPECT_EQ(captured.view.Tag(), 1);
    ASSERT_EQ(captured.messages.size(), 1u);
    EXPECT_EQ(captured.messages[0], StartFailureMessage(c.workDir, c.commandLine, ENOENT));
    EXPECT_TRUE(captured.view.HasLine("WorkDir: " + c.workDir));
    EXPECT_TRUE(captured.view.HasLine(c.commandLine));
  }
}

// namazu runs but finds nothing it can use: the result file is what it wrote
// (a header, or nothing at all), the search reports it ready and no hit is
// recognised.
TEST_F(NamazuEndToEnd, UnusableIndexOrOptions) {
  struct Case {
    const char* name;
    std::vector<std::string> directories;
    std::string namazuOption;
    bool emptyFile;
  };
  const Case cases[] = {
      {"missing index folder", {root_ + "/no-such-index"}, "", false},
      {"a file as the index", {corpus_ + "/corpus.json"}, "", false},
      {"folder without an index", {corpus_}, "", false},
      // An option value namazu refuses, after --output: the file is emptied.
      {"refused option", {index_}, "--sort=title", true},
  };
  const Document& doc = manifest_.Doc("text/english.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSettings settings = SearchSettings();
    settings.IndexDirectories = c.directories;
    settings.namazuOption = c.namazuOption;
    const SearchRun run = Search(settings, {}, Sjis(doc.keywords.at(0)));
    EXPECT_TRUE(run.outcome.Started);
    ASSERT_EQ(run.outcome.Result, TSearchRunResult::srrResultReady);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(run.bytes.empty(), c.emptyFile) << run.bytes;
    EXPECT_FALSE(run.parse.Found);
    EXPECT_TRUE(run.parse.Hits.empty());
    EXPECT_TRUE(run.hits.empty());
  }
}

// Index folders whose names hold a blank or Japanese. mknmz cannot write an
// index to an -O folder whose path holds a blank (it exits with 2,
// "フィールド検索用のインデックスが開けませんでした"), so it runs in the folder
// itself with "-O .". The searcher gets the folder in the file system's
// code, so a Japanese name is found like any other.
TEST_F(NamazuEndToEnd, IndexFoldersWithBlanksAndJapaneseNames) {
  const std::string blankFolder = root_ + "/my index/plain";
  const std::string japaneseFolder = root_ + "/my index/\x8D\xF5\x88\xF8";  // 索引
  const Document& doc = manifest_.Doc("text/jis-memo.txt");
  for (const std::string& folder : {blankFolder, japaneseFolder}) {
    SCOPED_TRACE(folder);
    std::string error;
    ASSERT_TRUE(platform::CreateFolders(folder, &error)) << error;
    CapturedRun build;
    RunCaptured(build, MknmzCommand("-O ."), folder);
    ASSERT_NE(build.result, 0);
    EXPECT_TRUE(build.view.HasLine(std::string(WritingIndexText) + " "));
    EXPECT_TRUE(platform::FileExists(folder + "/NMZ.i"));

    TSettings settings = SearchSettings();
    settings.IndexDirectories = {folder};
    const SearchRun run = Search(settings, {}, Sjis(doc.keywords.at(0)));
    ASSERT_EQ(run.outcome.Result, TSearchRunResult::srrResultReady);
    EXPECT_TRUE(Contains(run.command.CommandLine, " \"" + folder + "\""));
    ASSERT_EQ(run.hits.size(), 1u) << run.bytes;
    EXPECT_EQ(run.hits[0].uri, corpus_ + "/" + doc.file);
  }
  // The Japanese name is stored in UTF-8 on disk.
  EXPECT_TRUE(fs::exists(fs::path(rootUtf8_) / "my index" / "\xE7\xB4\xA2\xE5\xBC\x95" / "NMZ.i"));
}

// Japanese file and folder names from end to end: documents in a folder with
// a Japanese name (and a blank) indexed by mknmz into an index folder with a
// Japanese name, found by namazu, shown with their real names and titles, and
// read back through the path the result list gives. Names Shift-JIS cannot
// write (𠮷, an emoji) show their file-system bytes as escapes and still open.
TEST_F(NamazuEndToEnd, JapaneseFileAndFolderNames) {
  struct Case {
    const char* fileUtf8;  // the name on disk
    std::string shown;     // the name in the result list (Shift-JIS)
  };
  const Case cases[] = {
      {"旅行の覚え書き.txt", Sjis("旅行の覚え書き.txt")},
      {"①番の控え.txt", Sjis("①番の控え.txt")},              // NEC special character
      {"髙橋さん.txt", Sjis("髙橋さん.txt")},                  // IBM extension
      {"鎧ｶﾞﾗｽ.txt", Sjis("鎧ｶﾞﾗｽ.txt")},                  // half-width kana
      {"ＡＢＣ（全角）.txt", Sjis("ＡＢＣ（全角）.txt")},      // full-width ASCII
      {"𠮷野家.txt", "%F0%A0%AE%B7" + Sjis("野家.txt")},  // outside Shift-JIS
      {"メモ 😀.txt", Sjis("メモ ") + "%F0%9F%98%80.txt"},
      {"a%41 b.txt", "a%41 b.txt"},                          // a percent sign of its own
  };
  const std::string folderUtf8 = rootUtf8_ + "/資料 フォルダ";
  const std::string indexUtf8 = rootUtf8_ + "/索引";
  fs::create_directories(folderUtf8);
  fs::create_directories(indexUtf8);
  for (size_t i = 0; i < std::size(cases); ++i) {
    std::FILE* f = std::fopen((folderUtf8 + "/" + cases[i].fileUtf8).c_str(), "wb");
    ASSERT_NE(f, nullptr) << cases[i].fileUtf8;
    std::fprintf(f, "zzshared zzdoc%zu\n", i);
    std::fclose(f);
  }
  const std::string folder = root_ + Sjis("/資料 フォルダ");
  const std::string index = root_ + Sjis("/索引");
  // The index folder is the working folder ("-O ." for the blank rule above);
  // the folder to index is an argument and reaches mknmz in UTF-8.
  CapturedRun build;
  RunCaptured(build,
              "\"" + settings_.PerlPath + "\" \"" + settings_.mknmzPath + "\" -O . \"" + folder + "\"",
              index);
  ASSERT_NE(build.result, 0) << (build.messages.empty() ? "" : build.messages[0]);
  ASSERT_TRUE(fs::exists(fs::path(indexUtf8) / "NMZ.i"));

  TSettings settings = SearchSettings();
  settings.IndexDirectories = {index};
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.fileUtf8);
    const SearchRun run = Search(settings, {}, "zzdoc" + std::to_string(i));
    ASSERT_EQ(run.hits.size(), 1u) << run.command.CommandLine << "\n" << run.bytes;
    EXPECT_EQ(run.hits[0].uri, folder + "/" + c.shown);
    EXPECT_EQ(run.hits[0].title, c.shown);
    // The path opens: the platform reads the file behind the shown name.
    std::string text;
    std::string error;
    EXPECT_TRUE(platform::ReadWholeFile(HitDocumentPath(run.hits[0].uri, root_, {}), text, &error))
        << error;
    EXPECT_EQ(text, "zzshared zzdoc" + std::to_string(i) + "\n");
  }
  EXPECT_EQ(Search(settings, {}, "zzshared").hits.size(), std::size(cases));
}

// Values from boxes, the settings file, aliases.ini or a command list never
// become options of namazu or leave their own argument: each attack writes
// nothing, and each ordinary form of a directory still finds its hits.
TEST_F(NamazuEndToEnd, DirectoriesNeverBecomeOptions) {
  const fs::path victim = fs::path(rootUtf8_) / "victim.txt";
  const std::string victimSjis = root_ + "/victim.txt";
  const Document& doc = manifest_.Doc("text/english.txt");
  const std::string word = Sjis(doc.keywords.at(0));

  // Ordinary index folders with awkward names, copies of the index.
  const std::string quoted = root_ + "/idx \"quoted\" name";
  const std::string backslash = root_ + "/idx\\\" back";
  const std::string plus = root_ + "/+plus";
  for (const std::string& folder : {quoted, backslash, plus}) {
    std::error_code ignored;
    fs::create_directories(*platform::NativePath(folder));
    fs::copy(*platform::NativePath(index_), *platform::NativePath(folder),
             fs::copy_options::overwrite_existing | fs::copy_options::recursive, ignored);
  }
  struct Case {
    const char* name;
    std::vector<std::string> directories;
    std::string namazuOption;
    size_t hits;
  };
  const Case cases[] = {
      // Attacks: as a directory typed or stored as Directory2=...
      {"option as directory", {index_, "--output=" + victimSjis}, "", 1},
      {"short option as directory", {index_, "-o" + victimSjis}, "", 1},
      {"quote breaks out", {index_, "x\\\" --output=" + victimSjis + " \\\""}, "", 1},
      {"plus with blanks", {index_, "+x --output=" + victimSjis}, "", 1},
      {"doubled quote", {index_, "a\"\" --output=" + victimSjis + " \"\""}, "", 1},
      // Ordinary forms.
      {"quotes in the name", {quoted}, "", 1},
      {"backslash and quote in the name", {backslash}, "", 1},
      {"leading plus as a path", {plus}, "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSettings settings = SearchSettings();
    settings.IndexDirectories = c.directories;
    settings.namazuOption = c.namazuOption;
    const SearchRun run = Search(settings, {}, word);
    ASSERT_EQ(run.outcome.Result, TSearchRunResult::srrResultReady) << run.command.CommandLine;
    EXPECT_EQ(run.hits.size(), c.hits) << run.command.CommandLine << "\n" << run.bytes;
    EXPECT_FALSE(fs::exists(victim)) << run.command.CommandLine;
    fs::remove(victim);
  }

  // The relative form "+name" (namazurc names the base index) with a blank.
  const std::string base = root_ + "/relbase";
  const std::string sub = base + "/sub dir";
  std::error_code ignored;
  fs::create_directories(*platform::NativePath(sub));
  fs::copy(*platform::NativePath(index_), *platform::NativePath(sub),
           fs::copy_options::overwrite_existing | fs::copy_options::recursive, ignored);
  const std::string rc = root_ + "/relative.rc";
  {
    std::FILE* f = std::fopen(platform::NativePath(rc)->c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "Index %s\n", platform::NativePath(base)->c_str());
    std::fclose(f);
  }
  TSettings settings = SearchSettings();
  settings.UseNamazurc = "1";
  settings.RelativePath = "1";
  settings.NamazurcPath = rc;
  settings.IndexDirectories = {base, sub};
  SearchRun run;
  run.command = BuildSearchCommand(settings, {}, word, ResultFolder(settings, root_, root_),
                                   root_, {}, true);
  EXPECT_TRUE(Contains(run.command.CommandLine, " \"+sub dir\"")) << run.command.CommandLine;
  ConsoleRunCallbacks callbacks;
  run.outcome = RunSearchCommand(settings, run.command, root_, {},
                                 [&callbacks](const std::string& line, const std::string& dir) {
                                   return RunConsoleProcess(line, dir, psmHidden, nullptr,
                                                            callbacks, acNamazu) != 0;
                                 });
  ASSERT_EQ(run.outcome.Result, TSearchRunResult::srrResultReady);
  ASSERT_TRUE(platform::ReadWholeFile(run.command.ResultFilePath, run.bytes));
  EXPECT_EQ(ParseResultText(run.bytes, settings).Hits.size(), 1u) << run.bytes;

  // A namazurc path that tries to break out of its quotes: a file of that
  // very name is read as the configuration, nothing else happens.
  // (The victim is named relative to the searcher's working folder, the
  // program's folder, since a file name cannot hold a "/".)
  for (const std::string& name : {std::string("/rc\" --output=victim.txt \"x"),
                                  std::string("/rc\\\" --output=victim.txt \\\"x")}) {
    SCOPED_TRACE(name);
    const std::string hostile = root_ + name;
    std::FILE* f = std::fopen(platform::NativePath(hostile)->c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    TSettings rcSettings = SearchSettings();
    rcSettings.UseNamazurc = "1";
    rcSettings.NamazurcPath = hostile;
    SearchRun rcRun;
    rcRun.command = BuildSearchCommand(rcSettings, {}, word, ResultFolder(rcSettings, root_, root_),
                                       root_, {}, true);
    rcRun.outcome = RunSearchCommand(rcSettings, rcRun.command, root_, {},
                                     [&callbacks](const std::string& line, const std::string& dir) {
                                       return RunConsoleProcess(line, dir, psmHidden, nullptr,
                                                                callbacks, acNamazu) != 0;
                                     });
    ASSERT_EQ(rcRun.outcome.Result, TSearchRunResult::srrResultReady) << rcRun.command.CommandLine;
    ASSERT_TRUE(platform::ReadWholeFile(rcRun.command.ResultFilePath, rcRun.bytes));
    EXPECT_EQ(ParseResultText(rcRun.bytes, rcSettings).Hits.size(), 1u) << rcRun.bytes;
    EXPECT_FALSE(fs::exists(victim)) << rcRun.command.CommandLine;
  }

  // Extra options that are no options stop the search before it runs.
  settings = SearchSettings();
  for (const char* extra : {"--output=x --", "stray", "-n 5 word", "\""}) {
    settings.namazuOption = extra;
    EXPECT_TRUE(CheckExtraOptions(settings).has_value()) << extra;
  }
  for (const char* extra : {"-n 5", "--max 5 -s", "--sort=date --ascending", "-U"}) {
    settings.namazuOption = extra;
    EXPECT_FALSE(CheckExtraOptions(settings).has_value()) << extra;
  }
}

// Every search formula that the help pages and the demo's files show finds
// exactly what it promises on the sample corpus (the demo's index). The help
// writes each example's documents beside it (data-finds); the formulas of the
// demo's aliases.ini and history, and of the aliases.ini example in the help,
// have their documents here, and a formula without a promise fails.
TEST_F(NamazuEndToEnd, HelpAndDemoExamplesFindWhatTheyPromise) {
  auto readUtf8 = [](const std::string& path) {
    std::string bytes;
    std::string error;
    EXPECT_TRUE(platform::ReadWholeFile(path, bytes, &error)) << path << ": " << error;
    return bytes;
  };
  auto unescape = [](std::string text) {
    const std::pair<std::string, std::string> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : entities) {
      for (size_t at; (at = text.find(entity)) != std::string::npos;) text.replace(at, entity.size(), plain);
    }
    return text;
  };
  auto words = [](const std::string& list) {
    std::vector<std::string> out;
    for (size_t at = 0; at < list.size();) {
      const size_t end = std::min(list.find(' ', at), list.size());
      if (end > at) out.push_back(list.substr(at, end - at));
      at = end + 1;
    }
    std::sort(out.begin(), out.end());
    return out;
  };
  std::vector<std::pair<std::string, std::vector<std::string>>> examples;  // formula, files

  // The help's examples: <td class="ex" data-finds="...">formula</td>.
  const std::string help = readUtf8(std::string(TAVIREL_SOURCE_DIR) + "/help/start.html");
  int marked = 0;
  for (size_t at = 0; (at = help.find("class=\"ex\"", at)) != std::string::npos; ++at) {
    ++marked;
    const size_t close = help.find('>', at);
    const std::string attributes = help.substr(at, close - at);
    const size_t finds = attributes.find("data-finds=\"");
    ASSERT_NE(finds, std::string::npos) << "an example without its documents: " << attributes;
    const size_t begin = finds + 12;
    const std::string files = attributes.substr(begin, attributes.find('"', begin) - begin);
    const std::string formula = unescape(help.substr(close + 1, help.find('<', close) - close - 1));
    examples.emplace_back(formula, words(files));
  }
  EXPECT_GE(marked, 20);

  // The formulas of the demo's files and of the help's aliases.ini example.
  std::vector<std::string> shared = manifest_.shared.at("\xE6\x96\x87\xE6\x9B\xB8");  // 文書
  const std::vector<std::string>& kensaku = manifest_.shared.at("\xE6\xA4\x9C\xE7\xB4\xA2");
  std::erase_if(shared, [&](const std::string& f) {
    return std::find(kensaku.begin(), kensaku.end(), f) == kensaku.end();
  });
  const std::map<std::string, std::vector<std::string>> promises = {
      {"検索 and 文書", shared},
      {"\"quick indexing\"", manifest_.adjacent},
      {"{quick indexing}", manifest_.adjacent},
      {"+subject:会議", {"mail/inbox/1"}},
      {"会議 and 日程", {"mail/inbox/1"}},
      {"検索", kensaku},
      {"紫陽花", {"text/jis-memo.txt"}},
  };
  const std::string sources[] = {"/samples/demo-aliases.ini", "/samples/demo-tavirel.ini",
                                 "/help/index.html"};
  for (const std::string& source : sources) {
    const std::string text = readUtf8(std::string(TAVIREL_SOURCE_DIR) + source);
    for (const std::string& line : SplitLines(text)) {
      auto numbered = [&line](std::string_view key) {
        return line.rfind(key, 0) == 0 && line.size() > key.size() &&
               std::isdigit(static_cast<unsigned char>(line[key.size()]));
      };
      const bool query = numbered("Query") || numbered("History");
      const size_t equals = line.find('=');
      if (!query || equals == std::string::npos) continue;
      const std::string formula = line.substr(equals + 1);
      const auto promise = promises.find(formula);
      ASSERT_NE(promise, promises.end()) << source << ": no promise for " << formula;
      std::vector<std::string> files = promise->second;
      std::sort(files.begin(), files.end());
      examples.emplace_back(formula, files);
    }
  }
  EXPECT_GE(examples.size(), static_cast<size_t>(marked) + 8);

  for (const auto& [formula, files] : examples) {
    SCOPED_TRACE(formula);
    SearchViewState view;
    view.ListCountAll = true;
    const SearchRun run = Search(SearchSettings(), view, Sjis(formula));
    ASSERT_EQ(run.outcome.Result, TSearchRunResult::srrResultReady);
    EXPECT_FALSE(files.empty());
    EXPECT_EQ(Sorted(Files(run)), files) << run.bytes;
  }
}

}  // namespace
}  // namespace tavirel
