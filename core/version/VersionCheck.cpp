#include "version/VersionCheck.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>

namespace tessaly {
namespace {

constexpr std::string_view kMarker = "|version=";

// The position of the next separator at or after `from`, skipping stretches enclosed in
// double quotes; npos when there is none.
std::size_t NextSeparator(std::string_view text, std::size_t from, char separator) {
  bool quoted = false;
  for (std::size_t i = from; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    else if (text[i] == separator && !quoted) return i;
  }
  return std::string_view::npos;
}

long FieldValue(std::string_view field) {
  long value = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  return ec == std::errc() && end == field.data() + field.size() ? value : 0;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
  return text.substr(b, e - b);
}

int CompareVersions(std::string_view a, std::string_view b) {
  std::size_t pa = 0, pb = 0;
  for (int field = 0; field < 4; ++field) {
    auto take = [](std::string_view v, std::size_t& pos) {
      if (pos > v.size()) return std::string_view{};
      const std::size_t end = NextSeparator(v, pos, '.');
      const std::size_t stop = end == std::string_view::npos ? v.size() : end;
      std::string_view f = v.substr(pos, stop - pos);
      pos = stop + 1;
      return f;
    };
    const long fa = FieldValue(take(a, pa));
    const long fb = FieldValue(take(b, pb));
    if (fa != fb) return fa > fb ? 1 : -1;
  }
  return 0;
}

bool VersionFromReply(std::string_view reply, std::string& version) {
  const std::size_t at = reply.find(kMarker);
  if (at == std::string_view::npos) return false;
  const std::size_t begin = at + kMarker.size();
  const std::size_t end = NextSeparator(reply, begin, '|');
  version.assign(reply.substr(begin, end == std::string_view::npos ? reply.size() - begin
                                                                    : end - begin));
  return true;
}

std::string VersionQuery(std::string_view version, std::string_view address) {
  std::string q = "V=";
  q += version;
  q += "&I=";
  q += address;
  return q;
}

std::string LocalIPAddress() {
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return {};
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return {};
  std::string text;
  char buf[INET6_ADDRSTRLEN] = {};
  // IPv4 first, as the dotted form asks; an IPv6 address only when there is no other.
  for (int pass = 0; pass < 2 && text.empty(); ++pass) {
    for (const addrinfo* ai = found; ai; ai = ai->ai_next) {
      if (pass == 0 && ai->ai_family == AF_INET) {
        const auto* sin = reinterpret_cast<const sockaddr_in*>(ai->ai_addr);
        if (::inet_ntop(AF_INET, &sin->sin_addr, buf, sizeof buf)) text = buf;
      } else if (pass == 1 && ai->ai_family == AF_INET6) {
        const auto* sin6 = reinterpret_cast<const sockaddr_in6*>(ai->ai_addr);
        if (::inet_ntop(AF_INET6, &sin6->sin6_addr, buf, sizeof buf)) text = buf;
      }
      if (!text.empty()) break;
    }
  }
  ::freeaddrinfo(found);
  return text;
}

}  // namespace tessaly
