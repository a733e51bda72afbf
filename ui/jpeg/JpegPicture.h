// The JPEG picture format of the picture loader. Loading keeps the whole file in memory and reads
// only its header; the pixels are decoded when the picture is first drawn, then kept scaled to the
// size they are drawn at, so later paints only copy.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "ui/Picture.h"
#include "ui/jpeg/JpegDecoder.h"

struct HBITMAP__;

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
  bool Grey() const { return header_.grey(); }
  // The first draw decodes; a picture that fails to decode throws that once and then draws nothing.
  void Draw(HDC__* dc, const ui::Bounds& destination) override;
  bool Failed() const { return failed_; }
  int Decodes() const { return decodes_; }

 private:
  void Prepare(int width, int height);

  std::vector<std::uint8_t> contents_;
  Header header_;
  bool quantize_;
  bool failed_ = false;
  int decodes_ = 0;
  HBITMAP__* bitmap_ = nullptr;  // the picture at the size last drawn
  int bitmapWidth_ = 0, bitmapHeight_ = 0;
};

// Colour depth of the screen (bits per pixel times planes).
int ScreenColourDepth();

// Registers the JPEG picture class for "jpeg" and "jpg" ("JPEG Image File"). On a screen of
// 8 bits per pixel or fewer the pictures are decoded to 236 colours.
void RegisterJpegFormat(int screenColourDepth);
void UnregisterJpegFormat();

}  // namespace jpeg
