#pragma once

#include <QIcon>

namespace mailmoat {

// The program's icon, drawn for it and compiled into the program.
QIcon ProgramIcon();

// The tray icon: frame 0 when idle, 1 to 4 for the animation while a check runs.
QIcon TrayIcon(int frame);

// The envelope of the "Mail Waiting!" window.
QIcon EnvelopeIcon();

}  // namespace mailmoat
