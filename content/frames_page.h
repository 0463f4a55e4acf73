#pragma once
// The page the reader writes instead of a frameset: a list of the frames, each with
// a link to its page, the page's title when the book has one, and its size.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pgwk {

struct FrameListItem {
  std::string name;                  // the frame page's name inside its CHM file
  std::optional<std::string> title;  // the title of its topic, when it is one
  std::uint32_t length = 0;          // bytes
};

std::string framesPageText(const std::vector<FrameListItem>& frames);

}  // namespace pgwk
