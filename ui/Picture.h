// A picture that an image control can show. Formats register their picture classes with the
// picture loader by file extension.
#pragma once
#include "ui/Geometry.h"

struct HDC__;

namespace ui {

class Picture {
 public:
  virtual ~Picture() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  bool Empty() const { return Width() <= 0 || Height() <= 0; }
  // Draws the picture stretched into the destination rectangle.
  virtual void Draw(HDC__* dc, const Bounds& destination) = 0;
};

}  // namespace ui
