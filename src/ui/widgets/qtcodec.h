// The one place where the program's Shift-JIS (CP932) byte strings meet Qt's
// QString: captions, messages and texts for the screen, and what the user
// types or picks.
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace tavirel {

// Bytes that have no character become replacement characters.
QString SjisToQString(std::string_view sjis);
// nullopt when the text holds a character that CP932 cannot write.
std::optional<std::string> QStringToSjis(const QString& text);
// As QStringToSjis, with such characters written as "?".
std::string QStringToSjisLossy(const QString& text);

}  // namespace tavirel
