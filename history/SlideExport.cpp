#include "history/SlideExport.h"

#include <stdexcept>
#include <vector>

#include "platform/AnsiText.h"
#include "platform/Owners.h"

namespace history {
namespace {

struct AutomationError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The automation object inside a VARIANT: VT_DISPATCH, or VT_DISPATCH by reference. The
// request resolves a presentation passed by reference when it opens, so no chain of references
// reaches this point.
IDispatch* DispatchOf(const VARIANT& v) {
  IDispatch* object = nullptr;
  if (v.vt == VT_DISPATCH) object = v.pdispVal;
  else if (v.vt == (VT_DISPATCH | VT_BYREF) && v.ppdispVal) object = *v.ppdispVal;
  if (!object) throw AutomationError("Variant does not reference an automation object");
  return object;
}

void Call(IDispatch* object, const char* name, WORD flags, VARIANTARG* args, UINT count, VARIANT* result) {
  std::wstring wide = platform::WideFromAnsi(name);
  LPOLESTR names[] = {&wide[0]};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, GetThreadLocale(), &id)))
    throw AutomationError(std::string("Unknown name ") + name);
  DISPPARAMS params{args, nullptr, count, 0};
  EXCEPINFO info{};
  UINT argError = 0;
  const HRESULT hr = object->Invoke(id, IID_NULL, 0, flags, &params, result, &info, &argError);
  if (hr == DISP_E_EXCEPTION) {
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    // The host's texts are not shown (its failures are silent), only given back.
    platform::Bstr source(info.bstrSource), description(info.bstrDescription), helpFile(info.bstrHelpFile);
  }
  if (FAILED(hr)) throw AutomationError(std::string("Call of ") + name + " failed");
}

}  // namespace

void ExportSlide(const VARIANT& presentation, std::int32_t slideIndex, std::wstring& path) {
  IDispatch* presentationObject = DispatchOf(presentation);

  platform::Variant slides;
  Call(presentationObject, "Slides", DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, 0, slides.get());

  LONG index = slideIndex;
  VARIANTARG itemArg;
  VariantInit(&itemArg);
  itemArg.vt = VT_I4 | VT_BYREF;
  itemArg.plVal = &index;
  platform::Variant slide;
  Call(DispatchOf(*slides), "Item", DISPATCH_METHOD, &itemArg, 1, slide.get());

  platform::Bstr format(SysAllocString(L"jpg"));
  platform::Bstr target(SysAllocStringLen(path.data(), static_cast<UINT>(path.size())));
  if (!format.get() || !target.get()) throw AutomationError("Out of memory");
  VARIANTARG exportArgs[2];  // in reverse order: the format, then the path
  VariantInit(&exportArgs[0]);
  VariantInit(&exportArgs[1]);
  exportArgs[0].vt = VT_BSTR;
  exportArgs[0].bstrVal = format.get();
  exportArgs[1].vt = VT_BSTR | VT_BYREF;
  exportArgs[1].pbstrVal = target.address();
  platform::Variant ignored;
  const auto readBack = [&] {
    const BSTR s = target.get();
    path.assign(s ? s : L"", s ? SysStringLen(s) : 0);
  };
  try {
    Call(DispatchOf(*slide), "Export", DISPATCH_METHOD, exportArgs, 2, ignored.get());
  } catch (...) {
    readBack();
    throw;
  }
  readBack();
}

}  // namespace history
