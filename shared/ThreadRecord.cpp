#include "shared/ThreadRecord.h"

#include <windows.h>

#include "platform/Module.h"


// The thread library's TLS callback, which frees the calling thread's record on DLL_THREAD_DETACH.
extern "C" const PIMAGE_TLS_CALLBACK __xl_f;

namespace shared {

void GiveBackThreadRecord() { __xl_f(platform::Instance(), DLL_THREAD_DETACH, nullptr); }

}  // namespace shared
