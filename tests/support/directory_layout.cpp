// Reads the tests' lay-out lines into the simulated directory server and writes what it did as
// record lines (see directory_layout.h for both forms).
#include "tests/support/directory_layout.h"

#include <cstdint>
#include <stdexcept>

#include "platform/text.h"
#include "tests/support/layout_lines.h"

namespace directory_layout {
namespace {

using platform::sim::DirectoryIdFor;
using platform::sim::DohDirectory;

std::int32_t Number(const std::wstring& field, int base = 10) {
  std::size_t used = 0;
  const long long value = std::stoll(field, &used, base);
  if (used != field.size()) throw std::invalid_argument("not a number");
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::uint32_t Hex(const std::wstring& field) {
  return static_cast<std::uint32_t>(Number(field, 16));
}

void ApplyLine(DohDirectory& d, const std::vector<std::wstring>& f) {
  const std::wstring& kind = f[0];
  const auto need = [&](std::size_t least, std::size_t most) {
    if (f.size() < least || f.size() > most) throw std::invalid_argument("wrong number of fields");
  };
  const auto subscriber = [&](const std::wstring& alias) -> platform::sim::DohSubscriber& {
    for (auto& s : d.subscribers) {
      if (s.alias == alias) return s;
    }
    throw std::invalid_argument("no such subscriber");
  };
  if (kind == L"system") {
    need(3, 3);
    d.system_id = Number(f[1]);
    d.local_location = DirectoryIdFor(f[2]);
  } else if (kind == L"subscriber") {
    need(5, 6);
    if (f.size() == 6 && f[5] != L"plain") throw std::invalid_argument("unknown flag");
    d.subscribers.push_back({DirectoryIdFor(f[3]), Number(f[4]), f[2], f[1], f.size() == 6, {}});
  } else if (kind == L"location") {
    need(3, 3);
    d.locations.push_back({DirectoryIdFor(f[2]), f[1], {}});
  } else if (kind == L"counts") {
    need(3, 3);
    if (f[1] != L"-") d.locations_count = Number(f[1]);
    if (f[2] != L"-") d.items_count = Number(f[2]);
  } else if (kind == L"form") {
    need(2, 2);
    d.other_form.insert(Hex(f[1]));
  } else if (kind == L"fail") {
    need(3, 3);
    d.Fail(platform::Utf8FromWide(f[1]), static_cast<std::int32_t>(Hex(f[2])));
  } else if (kind == L"unreadable") {
    need(4, 4);
    if (f[1] == L"subscriber") {
      subscriber(f[2]).unreadable.insert(Hex(f[3]));
    } else if (f[1] == L"location") {
      bool found = false;
      for (auto& l : d.locations) {
        if (l.alias != f[2]) continue;
        l.unreadable.insert(Hex(f[3]));
        found = true;
      }
      if (!found) throw std::invalid_argument("no such location");
    } else {
      throw std::invalid_argument("neither subscriber nor location");
    }
  } else if (kind == L"removal-fails") {
    need(3, 3);
    subscriber(f[1]).removal_fails = static_cast<std::int32_t>(Hex(f[2]));
  } else {
    throw std::invalid_argument("unknown kind");
  }
}

}  // namespace

void Apply(DohDirectory& directory, std::wstring_view layout) {
  layout_lines::ForEach(layout, "directory", [&](const layout_lines::Fields& fields) {
    ApplyLine(directory, fields);
    directory.registered = true;
  });
}

std::vector<std::string> CallLines(const DohDirectory& directory, std::size_t from) {
  std::vector<std::string> lines;
  for (std::size_t i = from; i < directory.calls.size(); ++i) {
    lines.push_back(platform::Utf8FromWide(directory.calls[i]));
  }
  return lines;
}

}  // namespace directory_layout
