#pragma once

#include "ui/config/prefs/PrefsSheet.h"

#include <memory>

class QComboBox;

namespace mailmoat {

class TQtSound;

// "Notifications": what happens when good mail is waiting: the popup, a sound, starting the
// e-mail program.
class TNotificationsPage : public TPrefsSheet {
public:
  TNotificationsPage(TPrefsPageContext& context, QWidget* parent);
  ~TNotificationsPage() override;

private:
  void UpdateControls();
  void BrowseWavFile();
  void BrowseProgram();
  void PlayWavFile();

  std::unique_ptr<TQtSound> Sound;
  QCheckBox* cbxPlayWav = nullptr;
  QLabel* lblWavPath = nullptr;
  QLineEdit* fneWavFile = nullptr;
  QToolButton* btnBrowseWav = nullptr;
  QToolButton* btnPlay = nullptr;
  QCheckBox* cbxStartClient = nullptr;
  QLineEdit* fneClient = nullptr;
  QList<QWidget*> ClientControls;
};

}  // namespace mailmoat
