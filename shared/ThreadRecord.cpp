#include "shared/ThreadRecord.h"

#include <windows.h>

#include "ui/Module.h"


// The thread library's TLS callback, which frees the calling thread's record on DLL_THREAD_DETACH.
extern "C" const PIMAGE_TLS_CALLBACK __xl_f;

namespace shared {

void GiveBackThreadRecord() { __xl_f(ui::Instance(), DLL_THREAD_DETACH, nullptr); }

}  // namespace shared
