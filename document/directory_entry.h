#pragma once

#include <cstdint>
#include <string>

namespace pgwk {

// One stored file of a CHM container, as its directory lists it.
struct DirectoryEntry {
  std::string name;           // in the container code page; usually begins with "/"
  std::uint32_t section = 0;  // content section holding the data; 0 = uncompressed
  std::uint32_t offset = 0;   // inside the section (inside the uncompressed data)
  std::uint32_t length = 0;

  bool isFolder() const { return !name.empty() && name.back() == '/'; }
};

}  // namespace pgwk
