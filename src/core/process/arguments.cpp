#include "core/process/arguments.h"

#include <algorithm>

#include "core/process/cmdline.h"
#include "core/process/ucommon.h"

namespace tavirel {
namespace {

using platform::ArgumentCode;

enum class Value { None, Text, File };

struct LongOption {
  std::string_view Name;
  Value Takes;
};

struct OptionTable {
  std::string_view ShortText;   // short options with a text value
  std::string_view ShortFile;   // short options with a file name value
  const LongOption* Long;
  size_t LongCount;
  bool FirstOperandIsText;      // namazu: the first operand is the formula
};

constexpr LongOption NamazuLong[] = {
    {"max", Value::Text},        {"whence", Value::Text},      {"list", Value::None},
    {"short", Value::None},      {"result", Value::Text},      {"late", Value::None},
    {"early", Value::None},      {"sort", Value::Text},        {"ascending", Value::None},
    {"all", Value::None},        {"count", Value::None},       {"html", Value::None},
    {"no-references", Value::None}, {"page", Value::None},     {"form", Value::None},
    {"no-replace", Value::None}, {"no-decode-uri", Value::None}, {"output", Value::File},
    {"config", Value::File},     {"show-config", Value::None}, {"quiet", Value::None},
    {"debug", Value::None},      {"version", Value::None},     {"help", Value::None},
    {"norc", Value::None},
};

constexpr LongOption MknmzLong[] = {
    {"help", Value::None},           {"exclude", Value::File},
    {"deny", Value::File},           {"allow", Value::File},
    {"update", Value::File},         {"mhonarc", Value::None},
    {"mtime", Value::Text},          {"html-split", Value::None},
    {"show-config", Value::None},    {"no-edge-symbol", Value::None},
    {"target-list", Value::File},    {"no-okurigana", Value::None},
    {"no-hiragana", Value::None},    {"include", Value::File},
    {"no-symbol", Value::None},      {"indexing-lang", Value::Text},
    {"meta", Value::None},           {"output-dir", Value::File},
    {"checkpoint-sub", Value::None}, {"template-dir", Value::File},
    {"no-encode-uri", Value::None},  {"verbose", Value::None},
    {"no-delete", Value::None},      {"no-update", Value::None},
    {"all", Value::None},            {"use-mecab", Value::None},
    {"use-chasen", Value::None},     {"debug", Value::None},
    {"robots", Value::None},         {"config", Value::File},
    {"mailnews", Value::None},       {"use-kakasi", Value::None},
    {"use-chasen-noun", Value::None}, {"quiet", Value::None},
    {"replace", Value::Text},        {"checkpoint", Value::None},
    {"media-type", Value::Text},     {"uuencode", Value::None},
    {"version", Value::None},        {"no-heading-summary", Value::None},
    {"check-filesize", Value::None}, {"decode-base64", Value::None},
    {"norc", Value::None},
};

constexpr OptionTable NamazuTable{"nw", "of", NamazuLong, std::size(NamazuLong), true};
constexpr OptionTable MknmzTable{"tLr6", "FOTfI1234", MknmzLong, std::size(MknmzLong), false};

// The value a long option takes; nullopt for a name that is no option or an
// ambiguous abbreviation.
std::optional<Value> LongValue(const OptionTable& table, std::string_view name) {
  std::optional<Value> found;
  int matches = 0;
  for (size_t i = 0; i < table.LongCount; ++i) {
    const LongOption& option = table.Long[i];
    if (option.Name == name) return option.Takes;
    if (option.Name.substr(0, name.size()) == name && !name.empty()) {
      ++matches;
      found = option.Takes;
    }
  }
  if (matches == 1) return found;
  return std::nullopt;
}

Value ShortValue(const OptionTable& table, char letter) {
  if (table.ShortFile.find(letter) != std::string_view::npos) return Value::File;
  if (table.ShortText.find(letter) != std::string_view::npos) return Value::Text;
  return Value::None;
}

bool IsPerl(std::string_view program) {
  size_t slash = program.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? program : program.substr(slash + 1);
  return AsciiLowerSjis(name.substr(0, 4)) == "perl";
}

// Walks the arguments after the program the way the program's option parser
// does. `stray` (when given) receives the first operand, for checks of text
// that should hold options only.
std::vector<ArgumentCode> Classify(const OptionTable& table,
                                   const std::vector<std::string>& arguments, size_t first,
                                   std::optional<std::string>* stray = nullptr) {
  std::vector<ArgumentCode> codes(arguments.size() > 0 ? arguments.size() - 1 : 0,
                                  ArgumentCode::Text);
  auto set = [&codes](size_t index, ArgumentCode code) {
    if (index >= 1 && index - 1 < codes.size()) codes[index - 1] = code;
  };
  for (size_t i = 1; i < first && i < arguments.size(); ++i) set(i, ArgumentCode::FileName);

  bool optionsEnded = false;
  bool firstOperand = true;
  for (size_t i = first; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
    if (!isOption) {
      if (stray && !*stray) *stray = argument;
      const bool text = table.FirstOperandIsText && firstOperand;
      firstOperand = false;
      set(i, text ? ArgumentCode::Text : ArgumentCode::FileName);
      continue;
    }
    if (argument == "--") {
      if (stray && !*stray) *stray = argument;
      optionsEnded = true;
      continue;
    }
    Value takes = Value::None;
    bool valueAttached = false;
    if (argument[1] == '-') {
      const size_t equals = argument.find('=');
      const std::string_view name =
          std::string_view(argument).substr(2, equals == std::string::npos ? std::string::npos
                                                                           : equals - 2);
      takes = LongValue(table, name).value_or(Value::None);
      valueAttached = equals != std::string::npos;
      if (valueAttached && takes == Value::File) set(i, ArgumentCode::OptionFileName);
    } else {
      // Bundled short options: the first one that takes a value takes the
      // rest of the argument, or the next argument when nothing is left.
      for (size_t k = 1; k < argument.size(); ++k) {
        takes = ShortValue(table, argument[k]);
        if (takes == Value::None) continue;
        valueAttached = k + 1 < argument.size();
        // Only "-xVALUE" has its value where the platform looks for it.
        if (valueAttached && takes == Value::File && k == 1) set(i, ArgumentCode::OptionFileName);
        break;
      }
    }
    if (takes != Value::None && !valueAttached && i + 1 < arguments.size()) {
      ++i;
      set(i, takes == Value::File ? ArgumentCode::FileName : ArgumentCode::Text);
    }
  }
  return codes;
}

// A character as the command-line splitter takes it: a lead byte and a
// trail byte together, any other byte alone.
size_t CharLength(std::string_view text, size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (!IsSjisLeadByte(c) || i + 1 >= text.size()) return 1;
  const auto t = static_cast<unsigned char>(text[i + 1]);
  return ((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC)) ? 2 : 1;
}

size_t FirstOptionIndex(const std::vector<std::string>& arguments) {
  return !arguments.empty() && IsPerl(arguments.front()) ? 2 : 1;
}

}  // namespace

std::string QuoteArgument(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  out += '"';
  size_t backslashes = 0;  // backslashes written since the last other character
  bool loneLead = false;   // the last byte written is a lead byte standing alone
  for (size_t i = 0; i < text.size();) {
    const size_t len = CharLength(text, i);
    const char c = text[i];
    if (len == 1 && c == '\\') {
      ++backslashes;
    } else {
      if (len == 1 && c == '"') {
        if (loneLead) {
          // A backslash would pair with the lead byte as its trail byte;
          // inside quotes a doubled quote is a quote as well.
          out += '"';
        } else {
          // The backslashes before a quote are doubled, the quote escaped.
          out.append(backslashes + 1, '\\');
        }
      }
      backslashes = 0;
    }
    out.append(text.substr(i, len));
    loneLead = len == 1 && IsSjisLeadByte(static_cast<unsigned char>(c));
    i += len;
  }
  // Backslashes before the closing quote are doubled as well.
  out.append(backslashes, '\\');
  out += '"';
  return out;
}

std::string ArgumentText(std::string_view text) {
  const bool plain = !text.empty() && text.find_first_of(" \t\"") == std::string_view::npos;
  return plain ? std::string(text) : QuoteArgument(text);
}

std::string QuoteProgram(std::string_view path) {
  std::string out = "\"";
  for (char c : path) {
    if (c != '"') out += c;  // a quote byte is never a trail byte
  }
  out += '"';
  return out;
}

std::vector<std::string> SplitArguments(std::string_view text) {
  std::string line = "x ";
  line += text;
  std::vector<std::string> arguments = SplitCommandLine(line);
  arguments.erase(arguments.begin());
  return arguments;
}

std::vector<platform::ArgumentCode> ArgumentCodes(TArgumentCoding coding,
                                                  const std::vector<std::string>& arguments) {
  switch (coding) {
    case acNamazu: return NamazuArgumentCodes(arguments);
    case acMknmz: return MknmzArgumentCodes(arguments);
    case acAsWritten: break;
  }
  return {};
}

std::vector<platform::ArgumentCode> NamazuArgumentCodes(const std::vector<std::string>& arguments) {
  return Classify(NamazuTable, arguments, FirstOptionIndex(arguments));
}

std::vector<platform::ArgumentCode> MknmzArgumentCodes(const std::vector<std::string>& arguments) {
  return Classify(MknmzTable, arguments, FirstOptionIndex(arguments));
}

std::optional<std::string> StrayNamazuArgument(const std::vector<std::string>& options) {
  std::vector<std::string> line;
  line.reserve(options.size() + 1);
  line.emplace_back("namazu");
  line.insert(line.end(), options.begin(), options.end());
  std::optional<std::string> stray;
  Classify(NamazuTable, line, 1, &stray);
  return stray;
}

}  // namespace tavirel
