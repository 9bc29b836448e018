#include "outlook/HeaderFallback.h"

#include <gmime/gmime.h>

#include <mutex>
#include <string>

namespace tessaly {
namespace {

void InitMimeOnce() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

template <typename T>
struct TUnref {
  T* p;
  explicit TUnref(T* object) : p(object) {}
  ~TUnref() {
    if (p) g_object_unref(p);
  }
  TUnref(const TUnref&) = delete;
  TUnref& operator=(const TUnref&) = delete;
};

mailbox::TAddressEntry EntryOf(InternetAddress* address) {
  mailbox::TAddressEntry entry;
  const char* name = internet_address_get_name(address);
  if (name) entry.name = name;
  const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
  if (addr) entry.address = addr;
  return entry;
}

// Mailboxes in field order, the members of a group in the group's place. Groups do not
// nest in a header, so one level is all there is to open.
std::vector<mailbox::TAddressEntry> Mailboxes(InternetAddressList* list) {
  std::vector<mailbox::TAddressEntry> result;
  if (!list) return result;
  const int n = internet_address_list_length(list);
  for (int i = 0; i < n; ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    if (INTERNET_ADDRESS_IS_MAILBOX(address)) {
      result.push_back(EntryOf(address));
    } else if (INTERNET_ADDRESS_IS_GROUP(address)) {
      InternetAddressList* members =
          internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address));
      const int m = members ? internet_address_list_length(members) : 0;
      for (int j = 0; j < m; ++j) {
        InternetAddress* member = internet_address_list_get_address(members, j);
        if (INTERNET_ADDRESS_IS_MAILBOX(member)) result.push_back(EntryOf(member));
      }
    }
  }
  return result;
}

}  // namespace

THeaderAddresses ParseHeaderAddresses(std::string_view headerBlock) {
  InitMimeOnce();
  // The block ends where the message text had its separator; one empty line closes it.
  // Line ends become LF whatever the text used (a text split at "\r\r" has CR alone).
  std::string text;
  text.reserve(headerBlock.size() + 2);
  for (std::size_t i = 0; i < headerBlock.size(); ++i) {
    const char c = headerBlock[i];
    if (c == '\r') {
      text += '\n';
      if (i + 1 < headerBlock.size() && headerBlock[i + 1] == '\n') ++i;
    } else {
      text += c;
    }
  }
  while (!text.empty() && text.back() == '\n') text.pop_back();
  text += "\n\n";

  TUnref<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(text.data(), text.size()));
  TUnref<GMimeParser> parser(g_mime_parser_new_with_stream(stream.p));
  g_mime_parser_set_format(parser.p, GMIME_FORMAT_MESSAGE);
  TUnref<GMimeMessage> message(g_mime_parser_construct_message(parser.p, nullptr));
  if (!message.p) throw mailbox::EMailbox("the header lines cannot be parsed");

  THeaderAddresses result;
  const auto from = Mailboxes(g_mime_message_get_from(message.p));
  if (!from.empty()) result.from = from.front();
  result.to = Mailboxes(g_mime_message_get_to(message.p));
  result.cc = Mailboxes(g_mime_message_get_cc(message.p));
  return result;
}

}  // namespace tessaly
