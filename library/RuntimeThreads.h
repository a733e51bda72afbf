// The library's own thread functions for the static C++ runtime (library/RuntimeThreads.cpp).
#pragma once

namespace library {

// Last at unload: frees the runtime's thread-local slots and every lock it made. Nothing is made
// again afterwards, so static destructors that still lock find nothing to do.
void ReleaseRuntimeThreads();

}  // namespace library
