#pragma once

namespace mailmoat {

// SIGINT and SIGTERM ask the program to stop the way the user's Abort or Exit does: after
// the current message, with the mailbox logged out. The handler is reset after its first use,
// so a second signal ends the program at once. The program polls StopSignalCaught(), since
// nothing else may be done inside a signal handler.
void CatchStopSignals();
bool StopSignalCaught();

}  // namespace mailmoat
