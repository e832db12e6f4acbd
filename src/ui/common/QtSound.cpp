#include "ui/common/QtSound.h"

#include <QFile>
#include <QSoundEffect>
#include <QUrl>

namespace mailmoat {

TQtSound::TQtSound() = default;
TQtSound::~TQtSound() = default;

bool TQtSound::Play(const std::string& file, std::string& error) {
  const QString path = QString::fromLocal8Bit(file.c_str());
  QFile probe(path);
  if (!probe.open(QIODevice::ReadOnly)) {
    error = "Cannot open file \"" + file + "\". " + probe.errorString().toStdString();
    return false;
  }
  // Only wave files play; anything else is skipped here rather than handed to the player.
  const QByteArray head = probe.read(12);
  probe.close();
  if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE") return true;
  Effect = std::make_unique<QSoundEffect>();
  Effect->setSource(QUrl::fromLocalFile(path));
  Effect->play();
  return true;
}

}  // namespace mailmoat
