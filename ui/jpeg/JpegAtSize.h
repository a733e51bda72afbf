// A JPEG picture decoded to exactly the size it is drawn at: libjpeg shrinks it by eighths in the
// DCT domain to the smallest size that still covers that size, area averaging does the rest.
// No platform calls.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "ui/Resample.h"
#include "ui/jpeg/JpegDecoder.h"

namespace jpeg {

struct SizedImage {
  ui::BgrImage image;  // exactly the size asked for, 24-bit
  int decodedWidth = 0, decodedHeight = 0;  // what libjpeg produced before area averaging
};

// Takes the file's bytes and gives them back as soon as libjpeg is done with them; every buffer
// on the way is given back before this returns. Throws JpegError; once `cancelled` is set, an
// empty image (0 x 0).
SizedImage DecodeAtSize(std::vector<std::uint8_t> contents, bool quantize, int width, int height,
                        const std::atomic<bool>* cancelled = nullptr);

}  // namespace jpeg
