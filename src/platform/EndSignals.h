// The signals that ask a program to end (SIGTERM at a logout or from a
// script, SIGHUP when its terminal goes, SIGINT for Control+C) turned into
// bytes on a pipe, so that the program's event loop can save its work and
// end in its own time instead of dying where the signal found it.
#pragma once

namespace zk {

// Installs the handlers, once; the result is the descriptor to watch for
// reading, -1 when no pipe could be made (the signals then end the program
// as before).
int WatchEndSignals();
// The signal that arrived, read from that descriptor; 0 when none waits.
int TakeEndSignal(int fd);

} // namespace zk
