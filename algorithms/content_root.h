// The content root: the folder holding the overlay sets, area masks and other pictures the program
// ships with, and the rule that names each file in it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace virmeya {

struct ContentRoot {
  std::filesystem::path dir;

  // "Data/Full/<kind>/<index>.jpg" for runs on the photo, "Data/Small/…" for thumbnails.
  std::filesystem::path overlay(std::string_view kind, bool thumbnail, int index) const {
    return dir / "Data" / (thumbnail ? "Small" : "Full") / std::string(kind) /
           (std::to_string(index) + ".jpg");
  }
  // "Area/<file>": the processing-area masks.
  std::filesystem::path area(std::string_view file) const { return dir / "Area" / std::string(file); }
};

}  // namespace virmeya
