// A stand-in for the host's presentation automation object. Presentation.Slides.Item(i).Export(
// path, "jpg") writes a real JPEG picture of slide i, and what each slide does can be set for
// tests: its picture's size and colour, or a fault. Every call is recorded, and references are
// counted so that tests can check the library gives back every one it took.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testkit {

enum class Fault {
  None,
  RejectIndex,      // Item fails for this slide
  ExportFails,      // Export reports failure and writes nothing
  WritesNothing,    // Export reports success and writes nothing
  WritesEmpty,      // a file of 0 bytes
  WritesGarbage,    // a file that is no JPEG at all
  WritesTruncated,  // the first half of a good picture
  DamagedInside,    // the header is fine, the pixels are not
  WritesThenFails,  // the picture is written, then Export reports failure
  ChangesPath,      // writes to another file in the same folder and hands that name back
  MovesThenFails,   // the same, then Export reports failure
  HugeHeader,       // a header that claims 30000 x 30000 pixels
};

struct SlideSetup {
  int width = 1024, height = 768;
  std::uint32_t solid = 0;  // 0xRRGGBB for a picture of one colour; 0 draws a slide
  bool grey = false;
  Fault fault = Fault::None;
  // Written as it is instead of a drawn slide: a host that only copies a prepared file.
  const std::vector<std::uint8_t>* file = nullptr;
};

struct CallRecord {
  std::string object;  // "Presentation", "Slides", "Slide"
  std::string name;
  WORD flags = 0;
  std::vector<VARTYPE> argTypes;  // as passed, in the platform's (reversed) order
  LCID locale = 0;
  std::int32_t index = 0;
  std::string path, format;  // in the ANSI code page, as a host written for it would see them
  std::wstring widePath;     // the path as passed
};

class Presentation : public IDispatch {
 public:
  Presentation() = default;
  virtual ~Presentation() = default;

  std::map<std::int32_t, SlideSetup> slides;  // a slide not listed gets the defaults
  std::vector<CallRecord> calls;
  std::vector<std::string> namesAsked;
  std::vector<std::wstring> writtenFiles;  // every file Export wrote
  DWORD exportDelayMsec = 0;
  // Export dispatches this thread's messages for so long before it writes (a host that shows
  // progress, or an object in another process whose call pumps the caller's messages).
  DWORD exportPumpMsec = 0;
  // Host code run inside each Export, before it writes (a handler that frees the library, closes
  // the slide show...).
  std::function<void()> duringExport;
  int exportsRunning = 0, mostExportsAtOnce = 0;
  bool keepLog = true;        // false: calls are counted, not recorded (for long runs)
  int exportCount = 0;
  bool failSlides = false;    // Slides raises an automation exception
  bool knowsNoNames = false;  // GetIDsOfNames knows none of the names

  ULONG References() const { return refs_; }
  // Slides collections and slides handed out and not yet released.
  static int LiveObjects();

  // A VARIANT holding this object (no reference added: the caller's copy is borrowed).
  VARIANT AsVariant();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT*) override;

  // Used by the slides and slide objects.
  HRESULT Item(const CallRecord& call, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info);
  HRESULT Export(std::int32_t slide, CallRecord call, DISPPARAMS* params);

 private:
  ULONG refs_ = 1;
};

// The picture a slide's Export writes (also for the demo): the slide drawn with its number.
std::vector<std::uint8_t> RenderSlideJpeg(std::int32_t slide, const SlideSetup& setup);

}  // namespace testkit
