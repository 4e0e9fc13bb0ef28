#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/jconv/jconvert.h"
#include "core/jconv/mixedline.h"
#include "platform/platform.h"

namespace tavirel {
namespace {

// A line as a program writes it: parts in the file system's UTF-8 (names)
// and parts in the code of its messages, both written here in UTF-8.
struct Part {
  bool name;         // a file-system name
  const char* text;  // UTF-8
};

std::string Sjis(const char* utf8) { return platform::Utf8ToCp932(utf8).value(); }

std::string InCode(const char* utf8, TKanjiCode code) {
  const std::string sjis = Sjis(utf8);
  if (code == kcEuc) return SjisToEuc(sjis);
  if (code == kcJisNew) return SjisToJis(sjis);
  return sjis;
}

TEST(MixedLine, EveryPartReadsRight) {
  struct Case {
    const char* name;
    TKanjiCode code;
    std::vector<Part> parts;
  };
  const Case cases[] = {
      {"mknmz: a missing output folder", kcEuc,
       {{false, "mknmz: "}, {true, "/tmp/無い 索引"}, {false, ": 無効な出力ディレクトリ指定"}}},
      {"mknmz: a deleted file", kcEuc,
       {{true, "/文書/参考/a.txt"}, {false, " ファイルは削除されています"}}},
      {"namazu: an index's hit count", kcSjis,
       {{false, "("}, {true, "/home/索引"}, {false, ") [ パッケージ: 42 ]"}}},
      {"Shift-JIS whose second bytes look like a backslash, then a name", kcSjis,
       {{false, "予定表 ソフト"}, {true, "/予定表"}, {false, " 表示"}}},
      {"a name with letters of two bytes among Shift-JIS", kcSjis,
       {{false, "("}, {true, "/café/Ærø"}, {false, ") [ 語: 1 ]"}}},
      {"a name Shift-JIS cannot write keeps its escapes", kcEuc,
       {{true, "/𠮷野家/"}, {false, " ファイルは削除されています"}}},
      {"JIS text and a name", kcJisNew, {{false, "無効 "}, {true, "/索引"}}},
      {"a name alone, code not known yet", kcAscii, {{true, "/文書/メモ 帳/b.txt"}}},
      {"EUC-JP kanji that are also valid two-byte UTF-8 stay EUC-JP", kcEuc,
       {{false, "[文表] 名"}}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    std::string line, expected, withoutNames;
    for (const Part& part : test.parts) {
      line += part.name ? std::string(part.text) : InCode(part.text, test.code);
      if (!part.name) withoutNames += InCode(part.text, test.code);
      expected += part.name ? platform::ProgramPathFromNative(part.text) : Sjis(part.text);
    }
    EXPECT_EQ(MixedLineToSjis(line, test.code), expected);
    // The names take no part in deciding the line's code.
    EXPECT_EQ(DetectMixedLineCode(line), DetectKanjiCode(withoutNames + "\n"));
  }
  // Bytes that are neither stay as they are, in their place.
  EXPECT_EQ(MixedLineToSjis("a\xFF" "b\x80", kcEuc), "a\xFF" "b\x80");
}

}  // namespace
}  // namespace tavirel
