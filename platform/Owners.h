// One owner for each kind of thing the system hands out that is not about windows: loaded
// modules, kernel handles, VARIANTs and BSTRs, and a scope guard. Each gives back what it holds
// exactly once, when it goes, however the scope ends; none can be copied. The owners of windows,
// GDI objects and hooks are the windowing layer's (ui/Owners.h).
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace platform {

// Runs a function when the scope ends (a flag to reset, a state to restore).
template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() { f_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F f_;
};

// A module loaded for a while: freed when it goes. Null for a module that was not loaded.
class Module {
 public:
  explicit Module(HMODULE module = nullptr) : m_(module) {}
  ~Module() {
    if (m_) FreeLibrary(m_);
  }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  HMODULE get() const { return m_; }
  // Frees the module now (a host that unloads at a moment of its choosing).
  void reset(HMODULE module = nullptr) {
    if (m_) FreeLibrary(m_);
    m_ = module;
  }
  // Hands the reference on without freeing it.
  HMODULE release() { return std::exchange(m_, nullptr); }

 private:
  HMODULE m_;
};

// A kernel handle (a file, an event, a thread): closed when it goes. Both null and
// INVALID_HANDLE_VALUE mean none, since the platform uses either for failure.
class KernelHandle {
 public:
  explicit KernelHandle(HANDLE handle = nullptr) : h_(handle) {}
  ~KernelHandle() {
    if (valid()) CloseHandle(h_);
  }
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  void reset(HANDLE handle = nullptr) {
    if (valid()) CloseHandle(h_);
    h_ = handle;
  }

 private:
  HANDLE h_;
};

// A VARIANT of ours: cleared (its reference or string given back) when it goes.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &v_; }
  // Gives back what it holds and holds nothing.
  void Clear() { VariantClear(&v_); }
  const VARIANT& operator*() const { return v_; }
  const VARIANT* operator->() const { return &v_; }
  // Lets go of the contents without giving back what they hold (for a reference that must not be
  // released on this thread).
  void Abandon() { VariantInit(&v_); }

 private:
  VARIANT v_;
};

// A BSTR of ours, freed when it goes.
class Bstr {
 public:
  explicit Bstr(BSTR s = nullptr) : s_(s) {}
  ~Bstr() { SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return s_; }
  // For a by-reference argument: the callee may free the string and put another in its place.
  BSTR* address() { return &s_; }

 private:
  BSTR s_;
};

}  // namespace platform
