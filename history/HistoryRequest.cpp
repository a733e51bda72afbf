// The one open history request, as the three history exports make it, and its dialog's run.
#include "history/HistoryRequest.h"

#include <memory>

#include "history/HistoryForm.h"
#include "history/Positions.h"
#include "platform/DebugOutput.h"
#include "platform/Owners.h"
#include "shared/LibraryHold.h"
#include "shared/PlantedFault.h"
#include "ui/Controls.h"

namespace history {

namespace {

// The one open request: filled by AddSlideHistory, taken out by ShowSlideHistory.
struct Request {
  std::unique_ptr<THistoryForm> form;  // none: no request open
  DWORD thread = 0;                    // the thread that opened it: its windows belong to that thread
  // A row could not be stored: later rows would answer to the wrong positions, so the whole
  // request is refused (ShowSlideHistory shows nothing and returns 0).
  bool refused = false;
};
Request g_request;
// True while ShowSlideHistory runs its dialog; the exports then leave everything alone.
bool g_showing = false;
// The exports are meant for the host's one user-interface thread, but a host with several threads
// must not tear the slot apart: the slot is read and changed under this lock, and a request
// belongs to the thread that opened it (its windows are that thread's). Another thread's calls
// leave it alone, as calls during the dialog do. Never held while a form is made or destroyed, nor
// while the dialog runs.
SRWLOCK g_requestLock = SRWLOCK_INIT;
class RequestLock {
 public:
  RequestLock() { AcquireSRWLockExclusive(&g_requestLock); }
  ~RequestLock() { ReleaseSRWLockExclusive(&g_requestLock); }
  RequestLock(const RequestLock&) = delete;
  RequestLock& operator=(const RequestLock&) = delete;
};

// Whether this thread may open, fill or show the request: no dialog runs, and no other thread's
// request is open.
bool ThisThreadsTurn() { return !g_showing && (!g_request.form || g_request.thread == GetCurrentThreadId()); }

// Ends the open request, if any; the form goes after the slot is clear.
std::unique_ptr<THistoryForm> TakeRequest() {
  Request taken = std::move(g_request);
  g_request = Request{};
  return taken.refused ? nullptr : std::move(taken.form);
}

}  // namespace

void DropHistoryRequest() {
  std::unique_ptr<THistoryForm> form = std::move(g_request.form);
  const bool ownThread = g_request.thread == GetCurrentThreadId();
  g_request = Request{};
  if (form) PATHMR_PLANT(OnDroppedRequest);
  if (!form || ownThread) return;  // its windows are this thread's: destroyed with the form
  // On another thread, under the loader lock: only calls that neither send a message nor wait on
  // another thread. The windows are left to their thread, inert; an apartment object is called on
  // its own thread only.
  form->Abandon();
  form->AbandonPresentation();
}

void Initialize(const VARIANT& presentation) {
  std::unique_ptr<THistoryForm> earlier;  // this thread's request before, destroyed unlocked
  {
    RequestLock lock;
    if (!ThisThreadsTurn()) return;
    earlier = TakeRequest();
  }
  earlier.reset();
  auto form = std::make_unique<THistoryForm>();
  form->SetPresentation(presentation);
  RequestLock lock;
  if (!ThisThreadsTurn() || g_request.form) return;  // another thread came first: ours goes
  g_request = Request{std::move(form), GetCurrentThreadId(), false};
}

void Add(std::int32_t slideIndex, const char* caption) {
  RequestLock lock;  // the row goes to a list box of this thread: no message crosses threads
  if (!ThisThreadsTurn() || !g_request.form || g_request.refused) return;
  try {
    g_request.form->SlideListBox->AddItem(caption ? caption : "", slideIndex);
  } catch (...) {
    g_request.refused = true;
    throw;
  }
}

std::int32_t Show(HWND parentWindow, std::int32_t currentPosition) {
  std::unique_ptr<THistoryForm> form;
  {
    RequestLock lock;
    if (!ThisThreadsTurn()) return 0;
    // The request ends here, whatever happens next.
    form = TakeRequest();
    if (!form) return 0;
    g_showing = true;
  }
  platform::ScopeExit showingEnd([] {
    RequestLock lock;
    g_showing = false;
  });
  // From the first call into the host (the preselection's export) to the dialog's end, a host
  // handler may free the library: its frames must stay mapped until then.
  shared::LibraryHold hold;

  if (parentWindow) {
    form->HandleNeeded();
    form->SetHostWindow(parentWindow);
  }
  // The preselected row's picture is exported here, before the window is shown, and its decode
  // starts beside it: a small picture is there for the window's first paint, a large one lands
  // once decoded. A picture whose pixels fail to decode raises in the paint that meets it, inside
  // the loop, where the error box can show it.
  if (form->SlideListBox->Count() > 0) {
    try {
      const int row = RowAtPosition(currentPosition, form->SlideListBox->Count());
      form->SlideListBox->SetItemIndex(row);
      if (row >= 0) form->SlideListBoxClick();  // a position outside the list: nothing selected, no picture
    } catch (...) {
      // Outside the modal loop no error box can be shown: the dialog opens without a picture.
      platform::WriteCurrentException("first preview");
    }
  }
  if (form->ShowModal() != ui::mrOk) return 0;
  return form->SlideListBox->ItemIndex() + 1;  // no selected row (-1) gives 0
}

}  // namespace history
