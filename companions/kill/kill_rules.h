// Which running processes kill.exe may end: the pattern it is given, the processes it never
// touches, and the choice over one process snapshot. Portable, so the rules are tested natively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace companions {

// A process as a snapshot lists it: id, the id of the process that started it, image name.
struct ProcessEntry {
  std::uint32_t pid = 0;
  std::uint32_t parent_pid = 0;
  std::wstring image_name;
};

// "zq*" (every image name starting with zq), "*" (every name) or a whole image name such as
// "zqsvc.exe"; letters compare without regard to case.
class ImagePattern {
 public:
  // Empty text, a "*" anywhere but at the end, or a character no file name can hold (path
  // separators, wildcards, quotes) is not a pattern: the caller made a usage error.
  static std::optional<ImagePattern> Parse(std::wstring_view text);

  bool Matches(std::wstring_view image_name) const;

 private:
  ImagePattern(std::wstring text, bool prefix) : text_(std::move(text)), prefix_(prefix) {}

  std::wstring text_;  // without the trailing "*"
  bool prefix_;
};

// The system's own processes, whose end would take the machine down or cut off its services:
// process ids 0 and 4 and the critical image names.
bool IsSystemCritical(std::uint32_t pid, std::wstring_view image_name);

// The processes to end: those the pattern matches, except the critical ones, kill.exe itself
// and every process it descends from (its parent, and whoever started that: a program that
// runs kill.exe through cmd must survive a "*" too). Snapshot order is kept.
std::vector<ProcessEntry> ProcessesToEnd(const ImagePattern& pattern,
                                         const std::vector<ProcessEntry>& snapshot,
                                         std::uint32_t self_pid);

}  // namespace companions
