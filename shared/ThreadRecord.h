// The static C++ runtime's record of the calling thread.
#pragma once

namespace shared {

// The thread library inside the static runtime keeps a record for each thread that has used it
// (a one-time initialisation, a thread-local variable, an exception), holding a duplicate of the
// thread's handle and an event. It gives the record back when the thread ends, through its TLS
// callback; a thread that outlives an unload would keep it for good, two kernel handles a load.
// The library may be unloaded on another thread than the host's (the system pool's, when the
// dialogs' own reference is the last), so no record is left on the host's thread between calls:
// this runs that thread-end step for the calling thread. Later use makes a new record.
void GiveBackThreadRecord();

}  // namespace shared
