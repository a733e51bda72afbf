// A stand-in for the host's presentation automation object: an IDispatch whose references are
// counted, so that tests can check that the library gives back every reference it took.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace testkit {

class Presentation : public IDispatch {
 public:
  Presentation() = default;
  virtual ~Presentation() = default;

  ULONG References() const { return refs_; }
  // Names asked for through GetIDsOfNames, in order.
  const std::vector<std::string>& NamesAsked() const { return namesAsked_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the test's stack
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) override;

  // A VARIANT holding this object (no reference added: the caller's copy is borrowed).
  VARIANT AsVariant();

 private:
  ULONG refs_ = 1;
  std::vector<std::string> namesAsked_;
};

}  // namespace testkit
