#include "ui/widgets/qtcodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace tavirel {

QString SjisToQString(std::string_view sjis) {
  if (sjis.empty()) return {};
  QStringDecoder decoder("CP932");
  return decoder.decode(QByteArrayView(sjis.data(), static_cast<qsizetype>(sjis.size())));
}

std::optional<std::string> QStringToSjis(const QString& text) {
  QStringEncoder encoder("CP932");
  QByteArray bytes = encoder.encode(text);
  if (encoder.hasError()) return std::nullopt;
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string QStringToSjisLossy(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()) * 2);
  QStringEncoder encoder("CP932");
  // Character by character, so that one that cannot be written is replaced
  // without disturbing its neighbours.
  for (qsizetype i = 0; i < text.size();) {
    qsizetype length = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
    encoder.resetState();
    QByteArray bytes = encoder.encode(QStringView(text).mid(i, length));
    if (encoder.hasError() || bytes.isEmpty()) {
      out.push_back('?');
    } else {
      out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    i += length;
  }
  return out;
}

}  // namespace tavirel
