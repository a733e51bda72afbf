// The thread functions that the static C++ runtime calls (one-time initialisation, its locks and
// the condition of function-local statics, the thread-local keys of its exception records), on the
// system's own primitives, in place of the thread library that the compiler would link in.
//
// That library keeps, for every load, a thread-local slot, a record of each thread that used it and
// the locks it made, and gives none of them back at unload: a host that loads and unloads the
// library runs out of thread-local slots after about a thousand loads (there are 1,088), after which
// the library no longer loads. Here every slot and lock is the library's own and goes at unload.
//
// Only the ten functions the runtime uses, with the thread library's types (intptr_t locks whose
// static initialisers are -1, -2 and -3, a long for a one-time flag, an unsigned key) and its
// calling convention. The library starts no threads, so nothing else of it is needed; the link
// fails if the runtime ever asks for more.
#include <windows.h>

#include <cerrno>
#include <cstdint>

#include "library/RuntimeThreads.h"
#include "shared/ThreadRecord.h"

namespace {

// A lock or condition made on first use, in a list so that unload finds every one still made.
struct Made {
  Made* next;
  std::intptr_t* slot;  // the runtime's variable, which holds this record's address
  CRITICAL_SECTION lock;
  CONDITION_VARIABLE condition;
};

SRWLOCK g_madeLock = SRWLOCK_INIT;
Made* g_made = nullptr;
// Set at unload, after which nothing is made and nothing waits: only the loader's thread runs
// the library's last static destructors then.
bool g_released = false;

bool IsInitialiser(std::intptr_t value) { return value == -1 || value == -2 || value == -3; }

void Destroy(Made* made) {
  DeleteCriticalSection(&made->lock);
  HeapFree(GetProcessHeap(), 0, made);
}

// The record behind a lock or condition variable, made if the variable still holds its initialiser.
Made* Record(std::intptr_t* slot) {
  const std::intptr_t value = *slot;
  if (!IsInitialiser(value)) return reinterpret_cast<Made*>(value);
  if (g_released) return nullptr;
  auto* made = static_cast<Made*>(HeapAlloc(GetProcessHeap(), 0, sizeof(Made)));
  if (!made) return nullptr;
  // No debug record of the system's for the lock: it would be one more allocation per lock.
  InitializeCriticalSectionEx(&made->lock, 0, CRITICAL_SECTION_NO_DEBUG_INFO);
  InitializeConditionVariable(&made->condition);
  made->slot = slot;
  void* const before = InterlockedCompareExchangePointer(reinterpret_cast<void**>(slot), made,
                                                         reinterpret_cast<void*>(value));
  if (before != reinterpret_cast<void*>(value)) {  // another thread made it first
    Destroy(made);
    return static_cast<Made*>(before);
  }
  AcquireSRWLockExclusive(&g_madeLock);
  made->next = g_made;
  g_made = made;
  ReleaseSRWLockExclusive(&g_madeLock);
  return made;
}

// The runtime's keys: few (the exception records' one), each with the destructor of its values.
struct Key {
  DWORD slot = TLS_OUT_OF_INDEXES;
  void (*destructor)(void*) = nullptr;
};
constexpr unsigned kKeys = 8;
Key g_keys[kKeys];

}  // namespace

extern "C" {

int pthread_once(long* once, void (*init)()) {
  // 0: not yet, 1: running on some thread, 2: done.
  if (InterlockedCompareExchange(once, 1, 0) == 0) {
    init();
    InterlockedExchange(once, 2);
  } else {
    while (InterlockedCompareExchange(once, 2, 2) != 2) SwitchToThread();
  }
  return 0;
}

int pthread_mutex_init(std::intptr_t* mutex, const void* /*attributes: the runtime passes none*/) {
  *mutex = -1;
  return Record(mutex) || g_released ? 0 : ENOMEM;
}

int pthread_mutex_destroy(std::intptr_t* mutex) {
  if (IsInitialiser(*mutex) || g_released) return 0;
  Made* made = reinterpret_cast<Made*>(*mutex);
  AcquireSRWLockExclusive(&g_madeLock);
  for (Made** p = &g_made; *p; p = &(*p)->next)
    if (*p == made) {
      *p = made->next;
      break;
    }
  ReleaseSRWLockExclusive(&g_madeLock);
  Destroy(made);
  *mutex = -1;
  return 0;
}

int pthread_mutex_lock(std::intptr_t* mutex) {
  if (Made* made = Record(mutex)) EnterCriticalSection(&made->lock);
  return 0;
}

int pthread_mutex_unlock(std::intptr_t* mutex) {
  if (IsInitialiser(*mutex) || g_released) return 0;
  LeaveCriticalSection(&reinterpret_cast<Made*>(*mutex)->lock);
  return 0;
}

int pthread_cond_wait(std::intptr_t* condition, std::intptr_t* mutex) {
  Made* c = Record(condition);
  Made* m = Record(mutex);
  if (!c || !m) return EINVAL;
  SleepConditionVariableCS(&c->condition, &m->lock, INFINITE);
  return 0;
}

int pthread_cond_broadcast(std::intptr_t* condition) {
  if (IsInitialiser(*condition) || g_released) return 0;  // nobody waits on a condition never made
  WakeAllConditionVariable(&reinterpret_cast<Made*>(*condition)->condition);
  return 0;
}

int pthread_key_create(unsigned* key, void (*destructor)(void*)) {
  for (unsigned i = 0; i < kKeys; ++i)
    if (g_keys[i].slot == TLS_OUT_OF_INDEXES) {
      const DWORD slot = TlsAlloc();
      if (slot == TLS_OUT_OF_INDEXES) return EAGAIN;
      g_keys[i] = Key{slot, destructor};
      *key = i;
      return 0;
    }
  return EAGAIN;
}

void* pthread_getspecific(unsigned key) {
  return key < kKeys && g_keys[key].slot != TLS_OUT_OF_INDEXES ? TlsGetValue(g_keys[key].slot) : nullptr;
}

int pthread_setspecific(unsigned key, const void* value) {
  if (key >= kKeys || g_keys[key].slot == TLS_OUT_OF_INDEXES) return EINVAL;
  return TlsSetValue(g_keys[key].slot, const_cast<void*>(value)) ? 0 : ENOMEM;
}

}  // extern "C"

namespace shared {

// What the thread's end would do: each key's value of this thread to its destructor.
void GiveBackThreadRecord() {
  for (Key& key : g_keys) {
    if (key.slot == TLS_OUT_OF_INDEXES) continue;
    void* value = TlsGetValue(key.slot);
    if (!value) continue;
    TlsSetValue(key.slot, nullptr);
    if (key.destructor) key.destructor(value);
  }
}

}  // namespace shared

namespace library {

void ReleaseRuntimeThreads() {
  shared::GiveBackThreadRecord();
  for (Key& key : g_keys) {
    if (key.slot != TLS_OUT_OF_INDEXES) TlsFree(key.slot);
    key = Key{};
  }
  AcquireSRWLockExclusive(&g_madeLock);
  g_released = true;
  for (Made* made = g_made; made;) {
    Made* next = made->next;
    // A later lock or unlock then does nothing. The runtime's locks are all in its static data.
    if (*made->slot == reinterpret_cast<std::intptr_t>(made)) *made->slot = -1;
    Destroy(made);
    made = next;
  }
  g_made = nullptr;
  ReleaseSRWLockExclusive(&g_madeLock);
}

}  // namespace library
