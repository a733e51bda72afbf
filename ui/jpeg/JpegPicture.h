// The JPEG picture format of the picture loader. Loading keeps the whole file in memory and reads
// only its header; the pixels are decoded once, straight to the size they are drawn at, when the
// image control that shows the picture knows that size (Prepare), else at the first draw. Then only
// that bitmap is kept: paints copy it, and the file's bytes are given back.
#pragma once
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "ui/Owners.h"
#include "ui/Picture.h"
#include "ui/jpeg/JpegAtSize.h"
#include "ui/jpeg/JpegDecoder.h"

namespace jpeg {

class JpegPicture : public ui::Picture {
 public:
  // Throws JpegError when the header cannot be read; no bytes at all make an empty picture.
  JpegPicture(std::vector<std::uint8_t> contents, bool quantize);
  ~JpegPicture() override;
  JpegPicture(const JpegPicture&) = delete;
  JpegPicture& operator=(const JpegPicture&) = delete;

  int Width() const override { return header_.width; }
  int Height() const override { return header_.height; }
  // Decodes at that size, once; a failure is kept for the next draw. Cancelled, it draws nothing.
  // With a flag to cancel (beside the dialog) it decodes only the pixels; the bitmap follows at
  // the next Prepare or Draw, on the thread that draws.
  void Prepare(int width, int height, const std::atomic<bool>* cancelled = nullptr) override;
  bool PreparesSlowly() const override { return !Empty(); }
  // Decodes first if nothing was prepared. A picture that failed to decode throws that once and
  // then draws nothing. Drawn at another size than prepared, the kept bitmap is stretched: the bytes
  // to decode again are gone.
  void Draw(HDC dc, const ui::Bounds& destination) override;
  // Read by the tests and benchmarks, which prove the decoding's rules through them.
  bool Failed() const { return failed_; }
  int Decodes() const { return decodes_; }
  // The size libjpeg decoded at, before area averaging (0 x 0 before the first decode).
  int DecodedWidth() const { return decodedWidth_; }
  int DecodedHeight() const { return decodedHeight_; }
  // The file's bytes still held: all of them until the decode, none after it.
  std::size_t FileBytesHeld() const { return contents_.capacity(); }

 private:
  void Decode(int width, int height, const std::atomic<bool>* cancelled);

  std::vector<std::uint8_t> contents_;
  Header header_;
  bool quantize_;
  bool failed_ = false;
  std::exception_ptr failure_;  // raised by the next draw, then dropped
  int decodes_ = 0;
  int decodedWidth_ = 0, decodedHeight_ = 0;
  std::unique_ptr<SizedImage> pixels_;  // decoded beside the dialog, not yet a bitmap
  ui::GdiObject<HBITMAP> bitmap_;       // the picture at the size it was decoded for
  int bitmapWidth_ = 0, bitmapHeight_ = 0;
};

// Colour depth of the screen (bits per pixel times planes).
int ScreenColourDepth();

// Registers the JPEG picture class for "jpeg" and "jpg" ("JPEG Image File"). On a screen of
// 8 bits per pixel or fewer the pictures are decoded to 236 colours.
void RegisterJpegFormat(int screenColourDepth);
void UnregisterJpegFormat();

}  // namespace jpeg
