#include "ui/PixmapPicture.h"

#include "ui/Exceptions.h"
#include "ui/LayoutResource.h"
#include "ui/Owners.h"
#include "ui/Pixmap.h"
#include "ui/TopDownBitmap.h"

namespace ui {
namespace {

// Stands for "no pixel" while drawing; a pixmap may not use it as a colour.
constexpr std::uint32_t kKey = 0xFF00FF;

class PixmapPicture : public Picture {
 public:
  explicit PixmapPicture(const Pixmap& p) : width_(p.width), height_(p.height) {
    for (const std::uint32_t px : p.pixels)
      if (px != 0 && (px & 0xFFFFFF) == kKey) throw Exception("A pixmap may not use the colour #FF00FF");
    void* bits = nullptr;
    bitmap_.reset(CreateTopDownBitmap(width_, height_, 32, &bits));
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < p.pixels.size(); ++i) out[i] = p.pixels[i] == 0 ? kKey : (p.pixels[i] & 0xFFFFFF);
  }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Draw(HDC__* dc, const Bounds& d) override {
    MemoryDc memory(dc);
    Selection bitmap(memory.get(), bitmap_.get());
    GdiTransparentBlt(dc, d.left, d.top, d.width, d.height, memory.get(), 0, 0, width_, height_, kKey);
  }

 private:
  int width_, height_;
  GdiObject<HBITMAP> bitmap_;
};

}  // namespace

std::unique_ptr<Picture> LoadPixmapPicture(const std::string& resourceName) {
  return std::make_unique<PixmapPicture>(ParsePixmap(LoadLayoutResource(resourceName)));
}

}  // namespace ui
