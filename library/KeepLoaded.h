// Keeps the library in the process for good once a dialog of its own has run.
#pragma once

namespace shared {

// A host handler that runs inside one of our modal loops (a menu command, a timer, an event of
// the presentation) may free the library while the loop's frames are still on the stack; the
// call would then return into unmapped code. A reference taken for the length of the loop cannot
// be given back from inside the library without the same risk (ours may be the last one), and the
// loader will not tell whether it is; so the library is pinned instead: later FreeLibrary calls
// leave it loaded until the process ends. Called before every modal loop; idempotent.
void KeepLibraryLoaded();

}  // namespace shared
