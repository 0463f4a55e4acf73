#pragma once
// Turns the JSON a page posts to /api/event into InputEvents. Anything that is
// not exactly an event of a known kind with fields of the right types is refused
// as a whole.

#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/ui/message.h"

namespace pgwk::web {

// One event object, or an array of at most kMaxEventsPerPost of them.
bool decodeEvents(const nlohmann::json& body, std::vector<ui::InputEvent>& out);

inline constexpr std::size_t kMaxEventsPerPost = 256;

}  // namespace pgwk::web
