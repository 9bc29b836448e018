// Taking the addresses out of a message's header fields. Positions are 1-based, 0 meaning
// "not found", so that the list parser reads as its rules are stated.
#include <cstring>

#include "oe5/UOEMessage.h"

namespace tessaly {

namespace {

using Pos = std::int64_t;

unsigned char LowerAscii(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

std::string_view Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// Whether text at 0-based index at holds word (given in lower case), ASCII case ignored.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view word) {
  if (at > text.size() || text.size() - at < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k)
    if (LowerAscii(static_cast<unsigned char>(text[at + k])) != static_cast<unsigned char>(word[k]))
      return false;
  return true;
}

// The 0-based index of the first CR LF at or after from that is followed by word, or npos.
std::size_t FindLineStarting(std::string_view text, std::size_t from, std::size_t limit,
                             std::string_view word) {
  const char* base = text.data();
  while (from < limit) {
    const void* hit = std::memchr(base + from, '\r', limit - from);
    if (!hit) return std::string_view::npos;
    const std::size_t i = static_cast<const char*>(hit) - base;
    if (i + 1 < text.size() && text[i + 1] == '\n' && MatchesAt(text, i + 2, word)) return i;
    from = i + 1;
  }
  return std::string_view::npos;
}

struct TFieldRule {
  std::string_view word;  // after the CR LF, lower case
  std::uint8_t kind;
};

// In the order the fields are parsed.
constexpr TFieldRule kFields[] = {
    {"from:", akFrom}, {"sender:", akSender}, {"cc:", akCc}, {"to:", akTo}, {"bcc:", akBcc}};

}  // namespace

// The searches of the list parser over one message text. Each answers exactly what a
// plain search from its starting position would; the ones that may run far remember their
// last answer, so that a field of very many entries is read in one pass, not one pass per
// entry.
class TOEMessage::TListCursor {
 public:
  explicit TListCursor(std::string_view text) : t_(text), len_(static_cast<Pos>(text.size())) {}

  Pos Len() const { return len_; }
  char At(Pos p) const { return t_[static_cast<std::size_t>(p - 1)]; }
  // text[a..b], empty when b < a.
  std::string_view Slice(Pos a, Pos b) const {
    if (b < a || a < 1) return {};
    return t_.substr(static_cast<std::size_t>(a - 1), static_cast<std::size_t>(b - a + 1));
  }

  // The first c in [from, limit), 0 when none.
  Pos FindBefore(char c, Pos from, Pos limit) const {
    if (from < 1) from = 1;
    if (limit > len_ + 1) limit = len_ + 1;
    if (from >= limit) return 0;
    const void* hit =
        std::memchr(t_.data() + (from - 1), c, static_cast<std::size_t>(limit - from));
    return hit ? static_cast<const char*>(hit) - t_.data() + 1 : 0;
  }

  // The first CR LF at or after from.
  Pos FirstLineEnd(Pos from) {
    if (lineValid_ && from >= lineFrom_ && (lineHit_ == 0 || lineHit_ >= from)) return lineHit_;
    Pos hit = 0;
    for (Pos p = from; p <= len_;) {
      const Pos r = FindBefore('\r', p, len_ + 1);
      if (r == 0) break;
      if (r < len_ && At(r + 1) == '\n') {
        hit = r;
        break;
      }
      p = r + 1;
    }
    lineValid_ = true;
    lineFrom_ = from;
    lineHit_ = hit;
    return hit;
  }

  // The first ")" at or after from, on any line.
  Pos FirstClose(Pos from) {
    if (closeValid_ && from >= closeFrom_ && (closeHit_ == 0 || closeHit_ >= from))
      return closeHit_;
    closeValid_ = true;
    closeFrom_ = from;
    closeHit_ = FindBefore(')', from, len_ + 1);
    return closeHit_;
  }

  // The last space, TAB, LF or CR at or before p.
  Pos LastBlankAtOrBefore(Pos p) {
    if (blankValid_ && p >= blankFrom_) {
      for (Pos q = blankFrom_ + 1; q <= p; ++q)
        if (IsBlank(At(q))) blankHit_ = q;
    } else {
      blankHit_ = 0;
      for (Pos q = p; q >= 1; --q) {
        if (IsBlank(At(q))) {
          blankHit_ = q;
          break;
        }
      }
    }
    blankValid_ = true;
    blankFrom_ = p;
    return blankHit_;
  }

 private:
  static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

  std::string_view t_;
  Pos len_;
  bool lineValid_ = false, closeValid_ = false, blankValid_ = false;
  Pos lineFrom_ = 0, lineHit_ = 0, closeFrom_ = 0, closeHit_ = 0, blankFrom_ = 0, blankHit_ = 0;
};

int HeaderFieldAfterLineEnd(std::string_view text, std::size_t at) {
  if (at + 1 >= text.size() || text[at] != '\r' || text[at + 1] != '\n') return -1;
  for (int f = 0; f < 5; ++f)
    if (MatchesAt(text, at + 2, kFields[f].word)) return f;
  return -1;
}

bool StartsWithFromField(std::string_view text) {
  return MatchesAt(text, 0, "from:");
}

bool TOEMessage::ParseHeader(std::string_view text, int ndx) {
  text_ = text;
  ndx_ = ndx;
  const void* blank = memmem(text.data(), text.size(), "\r\n\r\n", 4);
  if (!blank) return false;
  const std::size_t end = static_cast<const char*>(blank) - text.data();  // E - 1

  // A field counts only where its first occurrence lies in the header, so the search for
  // every field stops at the empty line.
  Pos valueAt[5] = {0, 0, 0, 0, 0};
  int found = 0;
  for (std::size_t from = 0; from < end && found < 5;) {
    const void* hit = std::memchr(text.data() + from, '\r', end - from);
    if (!hit) break;
    const std::size_t i = static_cast<const char*>(hit) - text.data();
    from = i + 1;
    if (text[i + 1] != '\n') continue;
    for (int f = 0; f < 5; ++f) {
      if (valueAt[f] == 0 && MatchesAt(text, i + 2, kFields[f].word)) {
        valueAt[f] = static_cast<Pos>(i + 1 + 2 + kFields[f].word.size());
        ++found;
        break;
      }
    }
  }
  // From at the very start counts only when "\r\nFrom:" occurs nowhere in the text, the
  // body included.
  if (valueAt[0] == 0 && MatchesAt(text, 0, "from:") &&
      FindLineStarting(text, end, text.size(), "from:") == std::string_view::npos) {
    valueAt[0] = 6;
  }

  const bool from = valueAt[0] != 0, sender = valueAt[1] != 0, to = valueAt[3] != 0,
             bcc = valueAt[4] != 0;
  if (!(to || (bcc && (from || sender)))) return false;

  for (int f = 0; f < 5; ++f) {
    if (valueAt[f] == 0) continue;
    currentKind_ = kFields[f].kind;
    try {
      ParseAddressList(valueAt[f]);
    } catch (...) {
      // Nothing of one field reaches the reader.
    }
  }
  return true;
}

void TOEMessage::ParseAddressList(std::int64_t start) {
  // Entries are read first to last and reported last to first; one entry's failure ends
  // the reading there and spares the entries read before it.
  TListCursor lc(text_);
  entries_.clear();
  Pos next = start;
  while (true) {
    TEntry entry;
    Pos cont = 0;
    try {
      if (!ReadEntry(lc, next, entry, cont)) break;
    } catch (...) {
      break;
    }
    entries_.push_back(std::move(entry));
    if (cont == 0) break;
    next = cont;
  }
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    try {
      Report(*it);
    } catch (...) {
      // A failing report costs that address only.
    }
  }
  entries_.clear();
}

bool TOEMessage::ReadEntry(TListCursor& lc, std::int64_t start, TEntry& entry, std::int64_t& next) {
  const Pos len = lc.Len();
  next = 0;

  // 1. Skip TAB, LF and CR (not spaces): an empty value continues on the next line.
  Pos s = start < 1 ? 1 : start;
  while (s <= len && (lc.At(s) == '\t' || lc.At(s) == '\n' || lc.At(s) == '\r')) ++s;
  if (s > len) return false;
  // 2. The end of the line.
  const Pos L = lc.FirstLineEnd(s);
  const auto before = [L](Pos p) { return p > 0 && p < L; };
  // 3. The entry begins at the first non-space of the line.
  Pos cur = s;
  while (cur <= len && lc.At(cur) == ' ') ++cur;
  if (cur > len) return false;
  if (!before(cur)) cur = s;

  // 4. The entry.
  bool byAddress = false;   // taken by its "@" (4.3), not by a quoted name (4.1)
  bool commaEnded = false;  // a "," on the line ended it
  Pos addressFrom = 0;      // where the address text of a comma-ended entry begins
  std::string_view address, name;
  if (lc.At(cur) == '"') {
    // 4.1 A quoted name, the address after it.
    const Pos q = lc.FindBefore('"', cur + 1, L);
    if (before(q)) {
      name = Trim(lc.Slice(cur + 1, q - 1));
      if (!name.empty() && name.front() == '\'' && name.back() == '\'')
        name = name.size() >= 2 ? name.substr(1, name.size() - 2) : std::string_view{};
      const Pos c = lc.FindBefore(',', q + 1, L);
      if (before(c)) {
        address = Trim(lc.Slice(q + 1, c - 1));
        addressFrom = q + 1;
        cur = c;
        commaEnded = true;
      } else {
        address = Trim(lc.Slice(q + 1, L - 1));
        cur = q + 1;
      }
    }
  } else {
    const Pos a = lc.FindBefore('@', cur, L);
    if (!before(a)) {
      // 4.2 No address on this line; a line that ends with "," goes on to the next.
      if (L > 1 && lc.At(L - 1) == ',') cur = L - 1;
    } else {
      // 4.3 The address is the word around the "@".
      byAddress = true;
      const Pos w = lc.LastBlankAtOrBefore(a);
      if (before(w) && w + 1 >= cur) {
        name = Trim(lc.Slice(cur, w - 1));
        const Pos c = lc.FindBefore(',', w + 1, L);
        if (before(c)) {
          address = Trim(lc.Slice(w + 1, c - 1));
          addressFrom = w + 1;
          cur = c;
          commaEnded = true;
        } else {
          address = Trim(lc.Slice(w + 1, L - 1));
          cur = w + 1;
        }
      } else {
        const Pos c = lc.FindBefore(',', cur, L);
        if (before(c)) {
          address = Trim(lc.Slice(cur, c - 1));
          addressFrom = cur;
          cur = c;
          commaEnded = true;
        } else {
          address = Trim(lc.Slice(cur, L - 1));
        }
      }
      // 4.4 A comment after the last address of the line names it; it may close on a
      // later line. Without a ")" the entry stays as taken.
      if (!commaEnded) {
        const Pos p = lc.FindBefore('(', cur, L);
        if (before(p)) {
          const Pos r = lc.FirstClose(p + 1);
          if (r != 0) {
            address = Trim(lc.Slice(cur, p - 1));
            name = Trim(lc.Slice(p + 1, r - 1));
            const Pos c = lc.FindBefore(',', r + 1, L);
            if (before(c)) cur = c;
          }
        }
      }
    }
  }
  // A comma-ended entry whose address text holds a comment closed on the same line:
  // "A1 (N1), A2" and "A1 (Doe, John), A2". The comment leaves the address; after a bare
  // address it becomes the name (as it does at the end of a line), after a quoted name
  // that name stands. When the comma lay inside the comment, the entry ends at the first
  // "," after it; with none, the list ends here.
  if (commaEnded) {
    const Pos p = lc.FindBefore('(', addressFrom, cur);
    if (p != 0) {
      const Pos r = lc.FindBefore(')', p + 1, L);
      if (before(r)) {
        address = Trim(lc.Slice(addressFrom, p - 1));
        if (byAddress) name = Trim(lc.Slice(p + 1, r - 1));
        if (r > cur) {
          const Pos c = lc.FindBefore(',', r + 1, L);
          cur = before(c) ? c : addressFrom;
        }
      }
    }
  }
  entry.address.assign(address);
  entry.name.assign(name);

  // 5. The rest of the list: after a "," on this line, or on the next line when the
  // comma ends this one.
  if (before(cur) && lc.At(cur) == ',') {
    Pos n = cur + 1;
    while (n <= len && lc.At(n) == ' ') ++n;
    if (n == L)
      next = L + 2;
    else if (before(n))
      next = n;
  }
  cursor_ = cur;
  return true;
}

void TOEMessage::Report(TEntry& entry) {
  const std::string address = CleanAddress(entry.address);
  if (Trim(address).empty()) return;
  const std::string name = DecodeEncodedWord(entry.name);
  if (onAddress) onAddress(this, address, name, currentKind_, ndx_);
}

std::string CleanAddress(std::string_view a) {
  a = Trim(a);
  if (a.empty()) return {};
  std::string out;
  out.reserve(a.size());
  for (char c : a) {
    if (c == '>' || c == '<' || c == '"' || c == '\'' || c == '[' || c == ']') continue;
    out += c;
  }
  const std::string_view t = Trim(out);
  if (!t.empty() && t.front() == '@') return {};
  return std::string(t);
}

std::string DecodeEncodedWord(std::string_view in) {
  const std::size_t eq = in.find('=');
  if (eq == std::string_view::npos) return std::string(in);
  const Pos e = static_cast<Pos>(eq) + 1;

  // Three searches for "?", each one past the last hit; a miss restarts at the first
  // character. Only a third hit after the "=" cuts the prefix.
  const auto question = [&in](Pos from) -> Pos {
    if (from < 1) from = 1;
    const std::size_t i = in.find('?', static_cast<std::size_t>(from - 1));
    return i == std::string_view::npos ? 0 : static_cast<Pos>(i) + 1;
  };
  const Pos q1 = question(e + 1);
  const Pos q2 = question(q1 + 1);
  const Pos q3 = question(q2 + 1);
  std::string n(in);
  if (q3 > e) n.erase(static_cast<std::size_t>(e - 1), static_cast<std::size_t>(q3 - e + 1));

  // One pass from E on. out holds the text before the position being looked at, as the
  // steps have changed it; n from j on is still as it was.
  std::string out = n.substr(0, static_cast<std::size_t>(e - 1));
  std::size_t j = static_cast<std::size_t>(e - 1);
  while (true) {
    const std::size_t k = n.find_first_of("=_", j);
    if (k == std::string::npos) {
      out.append(n, j, std::string::npos);
      break;
    }
    out.append(n, j, k - j);
    if (n[k] == '=' && !out.empty() && out.back() == '?') {
      out.pop_back();  // the closing "?=" goes
      out.append(n, k + 1, std::string::npos);
      break;
    }
    if (n[k] == '_') {
      out += ' ';
      j = k + 1;
      continue;
    }
    const std::size_t avail = n.size() - (k + 1);
    const std::size_t take = avail < 2 ? avail : 2;
    bool hex = take >= 1;
    for (std::size_t t = 0; t < take; ++t) hex = hex && IsHex(n[k + 1 + t]);
    if (hex) {
      int v = 0;
      for (std::size_t t = 0; t < take; ++t) v = v * 16 + HexValue(n[k + 1 + t]);
      out += static_cast<char>(v);
      j = k + 1 + take;
    } else if (k + 1 < n.size()) {
      // The "=" alone goes; the next search starts after the character that took its place.
      out += n[k + 1];
      j = k + 2;
    } else {
      j = k + 1;
    }
  }
  return out;
}

}  // namespace tessaly
