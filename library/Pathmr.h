/* Pathmr.dll (32-bit) and Pathmr64.dll (64-bit): the native library of the slide-show add-in.
 *
 * A process can only load the file of its own architecture; both may sit in the same folder, and
 * PATHMR_DLL_NAME names the right one for the code that includes this header.
 *
 * All functions are exported under these plain names, are called on the host's user-interface
 * thread, report no errors, and never let a failure escape. In the 32-bit file they use the
 * standard Windows calling convention (__stdcall: the callee removes the arguments); the 64-bit
 * file has the one x64 convention, and the same declarations below are right for both.
 *
 * One history request:
 *   InitializeSlideHistory(presentation);          once
 *   AddSlideHistory(slideIndex, caption);          once per entry, in order
 *   position = ShowSlideHistory(hwnd, current);    once; the request ends here
 * position is the 1-based position in the list of the entry chosen with "Go", Enter or a
 * double-click, or 0 for "Cancel", Escape, the close box or no entry selected. It is a position
 * in the list, never a slide index. */
#ifndef PATHMR_H
#define PATHMR_H

#include <windows.h>
#include <oleauto.h>
#include <stdint.h>

#ifdef _WIN64
#define PATHMR_DLL_NAME "Pathmr64.dll"
#else
#define PATHMR_DLL_NAME "Pathmr.dll"
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Starts a request. presentation (passed by value: 16 bytes on the stack in the 32-bit file; in the
 * 64-bit file the caller passes a pointer to its own 24-byte copy, as x64 does for every structure
 * of that size) holds the presentation's automation object; the library keeps its own copy (and
 * reference) until the request ends. */
void __stdcall InitializeSlideHistory(VARIANT presentation);

/* Appends an entry: the host's slide index and the caption shown (ANSI; NULL shows no text). */
void __stdcall AddSlideHistory(int32_t slideIndex, const char* caption);

/* Shows the "Slide Show History" dialog modally with entry currentPosition (1-based) selected and
 * returns the chosen position or 0. parentWindow: the window to place the dialog in, or 0. */
int32_t __stdcall ShowSlideHistory(HWND parentWindow, int32_t currentPosition);

/* Shows the About box modally. parentWindow: the window to place it in, or 0. */
void __stdcall ShowAboutForm(HWND parentWindow);

/* Product hooks: they do nothing, in any order, any number of times. */
void __stdcall InitializeProduct(void);
void __stdcall ShutdownProduct(void);

#ifdef __cplusplus
}
#endif

#endif
