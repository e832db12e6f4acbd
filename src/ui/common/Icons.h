#pragma once

#include <QIcon>

namespace mailmoat {

// The program's icon, drawn for it and compiled into the program.
QIcon ProgramIcon();

// The tray icon: frame 0 when idle, 1 to 4 for the animation while a check runs.
QIcon TrayIcon(int frame);

// The envelope of the "Mail Waiting!" window.
QIcon EnvelopeIcon();

// The pictures of the check-and-view list's message states (THdrState: 0 clean, 1 rejected,
// 2 blacklisted, 3 approved sender, 4 always accept); drawn to scale for 16 and 32 pixels.
QIcon MessageStateIcon(int state);

}  // namespace mailmoat
