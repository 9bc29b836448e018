// Builds small folder files block by block, so that a test shows exactly the shape the
// reader must handle: message starts, chains, replacement blocks, damaged links.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tessaly::test {

class TBlockFile {
 public:
  std::string bytes;

  void Put32(std::uint32_t at, std::uint32_t v) {
    Grow(at + 4);
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  void PutText(std::uint32_t at, std::string_view text) {
    Grow(at + text.size());
    bytes.replace(at, text.size(), text);
  }
  // A data block: its header (own offset, body size, text length, next block) and text.
  void Block(std::uint32_t at, std::uint32_t textLength, std::uint32_t next, std::string_view text,
             std::uint32_t bodySize = 512, std::optional<std::uint32_t> ownOffset = {}) {
    Put32(at, ownOffset.value_or(at));
    Put32(at + 4, bodySize);
    Put32(at + 8, textLength);
    Put32(at + 12, next);
    PutText(at + 16, text);
  }
  // A message in consecutive blocks of up to 512 text bytes from at, as the mail program
  // writes them. Returns the offset after its last block.
  std::uint32_t Message(std::uint32_t at, std::string_view text) {
    while (true) {
      const std::string_view part = text.substr(0, 512);
      text.remove_prefix(part.size());
      const std::uint32_t next = text.empty() ? 0 : at + 16 + 512;
      Block(at, static_cast<std::uint32_t>(part.size()), next, part);
      at += 16 + 512;
      if (text.empty()) return at;
    }
  }
  void PadTo(std::size_t size) { Grow(size); }

  std::span<const std::uint8_t> Span() const {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
  }

 private:
  void Grow(std::size_t size) {
    if (bytes.size() < size) bytes.resize(size, '\0');
  }
};

// A message text: a Received line, the header lines given, an empty line, a body.
inline std::string MailText(std::string_view headerLines, std::string_view body = "Hello.\r\n") {
  std::string text = "Received: from mx.example.net by mail.example.org\r\n";
  text += headerLines;
  text += "\r\n";
  text += body;
  return text;
}

}  // namespace tessaly::test
