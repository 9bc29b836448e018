#include "harvest/Events.h"

#include <array>

namespace tessaly {

std::string_view FieldTagFor(std::uint8_t kind) {
  static constexpr std::array<std::string_view, 6> kTags = {"FROM", "TO",  "SENDER",
                                                            "CC",   "BCC", "BODY"};
  return kind < kTags.size() ? kTags[kind] : std::string_view{};
}

}  // namespace tessaly
