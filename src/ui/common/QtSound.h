#pragma once

#include <memory>
#include <string>

class QSoundEffect;

namespace mailmoat {

// Plays a sound file without waiting for its end. A file that cannot be read is an error for
// the caller to report; one that reads but will not play (not a wave file, no sound device)
// is silently skipped, as nothing else should stop for a sound.
class TQtSound {
public:
  TQtSound();
  ~TQtSound();

  bool Play(const std::string& file, std::string& error);

private:
  // The sound playing now; the next one replaces it.
  std::unique_ptr<QSoundEffect> Effect;
};

}  // namespace mailmoat
