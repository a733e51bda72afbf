// A C stream with one owner. Code that wants fclose's result closes it itself: fclose(f.release()).
#pragma once
#include <cstdio>
#include <memory>

namespace testkit {

struct CloseFile {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

}  // namespace testkit
