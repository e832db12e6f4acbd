#include "ui/common/QtText.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace mailmoat {

QString TextToQString(std::string_view bytes) {
  const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(view);
  if (!utf8.hasError()) return text;
  return QString::fromLatin1(view);
}

std::string QStringToText(const QString& text, std::size_t maxBytes) {
  const QByteArray utf8 = text.toUtf8();
  std::string bytes(utf8.constData(), static_cast<std::size_t>(utf8.size()));
  if (bytes.size() <= maxBytes) return bytes;
  std::size_t cut = maxBytes;
  // A continuation byte (10xxxxxx) cannot start a character: back up to the one that does.
  while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
  bytes.resize(cut);
  return bytes;
}

}  // namespace mailmoat
