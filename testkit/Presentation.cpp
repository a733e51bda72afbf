#include "testkit/Presentation.h"

namespace testkit {

HRESULT Presentation::QueryInterface(REFIID riid, void** object) {
  if (riid == IID_IUnknown || riid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT Presentation::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

HRESULT Presentation::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT Presentation::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  for (UINT i = 0; i < count; ++i) {
    char name[256] = "";
    WideCharToMultiByte(CP_ACP, 0, names[i], -1, name, sizeof name - 1, nullptr, nullptr);
    namesAsked_.push_back(name);
    ids[i] = DISPID_UNKNOWN;
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT Presentation::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return DISP_E_MEMBERNOTFOUND;
}

VARIANT Presentation::AsVariant() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = this;
  return v;
}

}  // namespace testkit
