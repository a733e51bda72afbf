// A picture that an image control can show. Formats register their picture classes with the
// picture loader by file extension.
#pragma once
#include <atomic>

#include "ui/Geometry.h"

struct HDC__;

namespace ui {

class Picture {
 public:
  virtual ~Picture() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  bool Empty() const { return Width() <= 0 || Height() <= 0; }
  // Readies the picture to be drawn at that size, so that drawing it only copies (a JPEG is
  // decoded here). Never throws: a failure is kept and raised by the next Draw, in the paint
  // that would have met it. May run on a thread of its own while nothing else touches the
  // picture; once `cancelled` is set it may stop early, and the picture is then only fit to go.
  virtual void Prepare(int width, int height, const std::atomic<bool>* cancelled = nullptr) {
    (void)width, (void)height, (void)cancelled;
  }
  // Whether Prepare is worth running beside the caller (it decodes).
  virtual bool PreparesSlowly() const { return false; }
  // Draws the picture stretched into the destination rectangle.
  virtual void Draw(HDC__* dc, const Bounds& destination) = 0;
};

}  // namespace ui
