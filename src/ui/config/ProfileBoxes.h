#pragma once

#include "core/Records.h"

#include <QString>

class QComboBox;
class QLineEdit;
class QSpinBox;
class QToolButton;
class QWidget;

namespace mailmoat {

// What the account editor and the profile wizard share: the byte limits of the profile's
// fields, the port and security boxes and the folder chooser.

constexpr int MaxProfileName = 24;
constexpr int MaxProfileServer = 64;
constexpr int MaxProfileLogin = 64;
constexpr int MaxProfilePassword = 24;
constexpr int MaxArchiveDir = 128;

// Shows the folder chooser at `box`'s folder, a relative one taken inside `base` (or at the
// nearest folder above it that exists), and puts the chosen folder into the box.
void ChooseFolder(QLineEdit* box, const QString& caption, const QString& base);

// The "..." button beside a file or folder box; `hint` says what it chooses.
QToolButton* MakeBrowseButton(const char* name, const char* hint, QWidget* parent);
// A path as typed: without the quotes some desktops copy around it, nor surrounding blanks.
QString TypedPath(const QLineEdit* box);

// A port box from 0 to 65535 where 0 reads "Default" (the Port setting), named "sePort".
QSpinBox* MakePortBox(QWidget* parent);
// "None", "STLS", "TLS from the start" in the order of TProfileSecurity, named "cbSecurity".
// Choosing TLS from the start while the port is "Default" sets 995, and leaving it sets 995
// back to "Default": the Port setting names the plain port.
QComboBox* MakeSecurityBox(QSpinBox* port, QWidget* parent);

void ShowSecurity(QComboBox* box, TProfileSecurity security);
TProfileSecurity ChosenSecurity(const QComboBox* box);

}  // namespace mailmoat
