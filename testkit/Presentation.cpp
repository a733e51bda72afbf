#include "testkit/Presentation.h"

#include <cstdio>
#include <memory>
#include <utility>

#include "platform/Owners.h"
#include "testkit/File.h"
#include "testkit/JpegWriter.h"
#include "ui/Owners.h"

namespace testkit {
namespace {

int g_liveObjects = 0;

std::string Narrow(const wchar_t* w) {
  char text[4096] = "";
  if (w) WideCharToMultiByte(CP_ACP, 0, w, -1, text, sizeof text - 1, nullptr, nullptr);
  return text;
}

// Written by the wide name, like a host that handles any folder name; beyond MAX_PATH only in the
// form that the file functions take for long paths.
bool WriteFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  const std::wstring name = path.size() >= MAX_PATH - 12 && path.compare(0, 4, L"\\\\?\\") != 0 ? L"\\\\?\\" + path : path;
  File f(_wfopen(name.c_str(), L"wb"));
  if (!f) return false;
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f.get());
  return std::fclose(f.release()) == 0;  // closed here for its result: bytes it cannot write fail it
}

HRESULT Fail(EXCEPINFO* info, const wchar_t* text) {
  if (info) {
    *info = EXCEPINFO{};
    info->bstrSource = SysAllocString(L"Stand-in presentation");
    info->bstrDescription = SysAllocString(text);
    info->scode = E_FAIL;
  }
  return DISP_E_EXCEPTION;
}

// A heap object with a real reference count, for the objects the host hands out.
class Member : public IDispatch {
 public:
  Member(Presentation& owner, const char* kind, const char* memberName, DISPID memberId, std::int32_t slide)
      : owner_(owner), kind_(kind), memberName_(memberName), memberId_(memberId), slide_(slide) {
    ++g_liveObjects;
  }
  virtual ~Member() { --g_liveObjects; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    const std::string name = Narrow(names[0]);
    if (owner_.keepLog) owner_.namesAsked.push_back(name);
    if (count != 1 || lstrcmpiA(name.c_str(), memberName_) != 0) {
      ids[0] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    ids[0] = memberId_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT*) override {
    if (id != memberId_) return DISP_E_MEMBERNOTFOUND;
    CallRecord call;
    call.object = kind_;
    call.name = memberName_;
    call.flags = flags;
    call.locale = lcid;
    for (UINT i = 0; params && i < params->cArgs; ++i) call.argTypes.push_back(params->rgvarg[i].vt);
    if (memberId_ == 2) return owner_.Item(call, params, result, info);
    return owner_.Export(slide_, call, params) == S_OK ? S_OK : Fail(info, L"Export failed");
  }

 private:
  Presentation& owner_;
  const char* kind_;
  const char* memberName_;
  DISPID memberId_;
  std::int32_t slide_;
  ULONG refs_ = 1;
};

}  // namespace

int Presentation::LiveObjects() { return g_liveObjects; }

VARIANT Presentation::AsVariant() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = this;
  return v;
}

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
  const std::string name = Narrow(names[0]);
  if (keepLog) namesAsked.push_back(name);
  if (count != 1 || knowsNoNames || lstrcmpiA(name.c_str(), "Slides") != 0) {
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  ids[0] = 1;
  return S_OK;
}

HRESULT Presentation::Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* info, UINT*) {
  if (id != 1) return DISP_E_MEMBERNOTFOUND;
  CallRecord call;
  call.object = "Presentation";
  call.name = "Slides";
  call.flags = flags;
  call.locale = lcid;
  for (UINT i = 0; params && i < params->cArgs; ++i) call.argTypes.push_back(params->rgvarg[i].vt);
  if (keepLog) calls.push_back(call);
  if (failSlides) return Fail(info, L"No slides");
  if (!result) return E_INVALIDARG;
  VariantInit(result);
  result->vt = VT_DISPATCH;
  result->pdispVal = new Member(*this, "Slides", "Item", 2, 0);
  return S_OK;
}

HRESULT Presentation::Item(const CallRecord& base, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info) {
  CallRecord call = base;
  if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
  const VARIANT& arg = params->rgvarg[0];
  if (arg.vt == (VT_I4 | VT_BYREF)) call.index = *arg.plVal;
  else if (arg.vt == VT_I4) call.index = arg.lVal;
  else return DISP_E_TYPEMISMATCH;
  if (keepLog) calls.push_back(call);
  if (slides[call.index].fault == Fault::RejectIndex) return Fail(info, L"Index out of range");
  if (!result) return E_INVALIDARG;
  VariantInit(result);
  result->vt = VT_DISPATCH;
  result->pdispVal = new Member(*this, "Slide", "Export", 3, call.index);
  return S_OK;
}

HRESULT Presentation::Export(std::int32_t slide, CallRecord call, DISPPARAMS* params) {
  call.index = slide;
  if (!params || params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
  VARIANT& pathArg = params->rgvarg[1];
  const VARIANT& formatArg = params->rgvarg[0];
  if (pathArg.vt == (VT_BSTR | VT_BYREF)) {
    call.path = Narrow(*pathArg.pbstrVal);
    call.widePath = *pathArg.pbstrVal ? *pathArg.pbstrVal : L"";
  }
  if (formatArg.vt == VT_BSTR) call.format = Narrow(formatArg.bstrVal);
  ++exportCount;
  if (keepLog) calls.push_back(call);
  if (exportDelayMsec) Sleep(exportDelayMsec);
  ++exportsRunning;
  platform::ScopeExit running([this] { --exportsRunning; });
  if (exportsRunning > mostExportsAtOnce) mostExportsAtOnce = exportsRunning;
  if (duringExport) duringExport();
  for (const DWORD start = GetTickCount(); exportPumpMsec && GetTickCount() - start < exportPumpMsec;) {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      Sleep(1);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  const SlideSetup& setup = slides[slide];
  std::wstring path = call.widePath;
  std::vector<std::uint8_t> bytes;
  const std::vector<std::uint8_t>* written = &bytes;
  switch (setup.fault) {
    case Fault::ExportFails:
      return E_FAIL;
    case Fault::WritesNothing:
      return S_OK;
    case Fault::WritesEmpty:
      break;
    case Fault::WritesGarbage:
      bytes.assign(3000, 0x5A);
      break;
    case Fault::DamagedInside:
      bytes = DamagedInsideJpeg(setup.width, setup.height);
      break;
    case Fault::HugeHeader: {
      bytes = SolidJpeg(16, 16, 0x808080);
      for (std::size_t i = 0; i + 8 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
          bytes[i + 5] = 0x75, bytes[i + 6] = 0x30;  // 30000 high
          bytes[i + 7] = 0x75, bytes[i + 8] = 0x30;  // 30000 wide
          break;
        }
      break;
    }
    default:
      // A prepared file is written as it is, without a copy in between: the benchmarks' host
      // costs what copying a file costs.
      if (setup.file && setup.fault != Fault::WritesTruncated) {
        written = setup.file;
        break;
      }
      bytes = setup.file ? *setup.file : RenderSlideJpeg(slide, setup);
      if (setup.fault == Fault::WritesTruncated) bytes.resize(bytes.size() / 2);
  }
  if (setup.fault == Fault::ChangesPath || setup.fault == Fault::MovesThenFails) {
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"moved-" + std::to_wstring(slide) + L".jpg";
    // The caller's string is ours to replace: the old one is freed as this block ends.
    const platform::Bstr replaced(std::exchange(*pathArg.pbstrVal, SysAllocString(path.c_str())));
  }
  if (!WriteFileBytes(path, *written)) return E_FAIL;
  if (keepLog) writtenFiles.push_back(path);
  return setup.fault == Fault::WritesThenFails || setup.fault == Fault::MovesThenFails ? E_FAIL : S_OK;
}

std::vector<std::uint8_t> RenderSlideJpeg(std::int32_t slide, const SlideSetup& setup) {
  const int w = setup.width, h = setup.height;
  if (setup.grey) return GreyJpeg(w, h, setup.solid ? setup.solid & 0xFF : 128);
  if (setup.solid) return SolidJpeg(w, h, setup.solid);
  // A slide: a coloured title band, the slide's number, a few bars.
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  ui::MemoryDc dc(nullptr);
  ui::GdiObject<HBITMAP> dib(CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  ui::Selection bitmap(dc.get(), dib.get());
  static const COLORREF kThemes[] = {RGB(46, 109, 180), RGB(63, 163, 77), RGB(242, 140, 40), RGB(140, 70, 160),
                                     RGB(200, 60, 60), RGB(30, 140, 150)};
  const COLORREF theme = kThemes[static_cast<unsigned>(slide) % 6];
  RECT all{0, 0, w, h}, band{0, 0, w, h / 5};
  ui::GdiObject<HBRUSH> white(CreateSolidBrush(RGB(250, 250, 250))), bandBrush(CreateSolidBrush(theme));
  FillRect(dc.get(), &all, white.get());
  FillRect(dc.get(), &band, bandBrush.get());
  for (int i = 0; i < 4; ++i) {
    RECT bar{w / 8 + i * w / 6, h - h / 8 - (i + 1) * h / 10, w / 8 + i * w / 6 + w / 10, h - h / 8};
    FillRect(dc.get(), &bar, bandBrush.get());
  }
  ui::GdiObject<HFONT> font(CreateFontA(-h / 8, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
  ui::Selection titleFont(dc.get(), font.get());
  SetBkMode(dc.get(), TRANSPARENT);
  SetTextColor(dc.get(), RGB(255, 255, 255));
  const std::string title = "Slide " + std::to_string(slide);
  DrawTextA(dc.get(), title.c_str(), -1, &band, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  GdiFlush();
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
  const auto* px = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < static_cast<std::size_t>(w) * h; ++i) {
    rgb[i * 3] = (px[i] >> 16) & 0xFF;
    rgb[i * 3 + 1] = (px[i] >> 8) & 0xFF;
    rgb[i * 3 + 2] = px[i] & 0xFF;
  }
  return EncodeJpeg(rgb, w, h, 3);
}

}  // namespace testkit
