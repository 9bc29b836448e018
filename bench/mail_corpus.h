// A generator of mail-like bytes for the scan benchmarks: mailbox messages with named
// header addresses, received lines, bodies in Western text (bytes 0x80-0xFF), quoted
// replies, signatures and base64 attachments, with an "@" every few hundred bytes on
// average. Addresses come from fixed pools, so a bigger corpus repeats the same people
// rather than meeting new ones. Deterministic for a seed.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>

namespace bench {

class TMailCorpus {
 public:
  explicit TMailCorpus(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}

  // Appends one whole message to out.
  void Message(std::string& out) {
    const std::size_t from = Person();
    const std::size_t to = Person();
    out += "From ";
    Address(out, from);
    out += " Mon Jun  3 09:14:07 2024\n";
    out += "Return-Path: <";
    Address(out, from);
    out += ">\n";
    for (int hops = 1 + static_cast<int>(Next() % 3); hops > 0; --hops) {
      out += "Received: from ";
      Host(out);
      out += " (";
      Host(out);
      out += " [10." + std::to_string(Next() % 256) + "." + std::to_string(Next() % 256) + "." +
             std::to_string(Next() % 256) + "])\n\tby ";
      Host(out);
      out += " with ESMTP id " + Hex(10) + "\n\tfor <";
      Address(out, to);
      out += ">; Mon, 3 Jun 2024 09:14:07 +0200\n";
    }
    out += "From: ";
    NamedAddress(out, from);
    out += "\nTo: ";
    for (int n = 1 + static_cast<int>(Next() % 3); n > 0; --n) {
      NamedAddress(out, n == 1 ? to : Person());
      if (n > 1) out += ",\n\t";
    }
    if (Next() % 3 == 0) {
      out += "\nCc: ";
      NamedAddress(out, Person());
    }
    out += "\nSubject: ";
    if (Next() % 2) out += "Re: ";
    Words(out, 3 + Next() % 6);
    // Message ids pass the check too; a pool of them keeps the distinct count bounded.
    const std::uint64_t id = Next() % kMessageIds;
    out += "\nDate: Mon, 3 Jun 2024 09:14:07 +0200\nMessage-ID: <" + HexOf(id * 2654435761u, 8) +
           "." + std::to_string(id) + "@";
    out += kHosts[id % kHosts.size()];
    out += '.';
    out += kDomains[id % kDomains.size()];
    out += ">\nMIME-Version: 1.0\n";
    const bool attachment = Next() % 5 == 0;
    if (attachment) out += "Content-Type: multipart/mixed; boundary=\"=_b\"\n\n--=_b\n";
    out += "Content-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: 8bit\n\n";

    for (int p = 1 + static_cast<int>(Next() % 4); p > 0; --p) {
      Paragraph(out);
      out += "\n\n";
    }
    if (Next() % 2) {
      out += "On Sun, 2 Jun 2024, ";
      NamedAddress(out, to);
      out += " wrote:\n";
      for (int q = 2 + static_cast<int>(Next() % 8); q > 0; --q) {
        out += Next() % 4 ? "> " : "> > ";
        Words(out, 6 + Next() % 8);
        out += '\n';
      }
      out += '\n';
    }
    out += "-- \n";
    Name(out, from);
    out += "\nPhone +49 30 " + std::to_string(1000000 + Next() % 9000000) + "  ";
    Address(out, from);
    out += '\n';
    if (attachment) {
      out +=
          "\n--=_b\nContent-Type: application/pdf; name=\"report.pdf\"\n"
          "Content-Transfer-Encoding: base64\n\n";
      Base64(out, 1024 + Next() % 8192);
      out += "--=_b--\n";
    }
    out += '\n';
  }

 private:
  std::uint64_t Next() {  // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Skewed towards a few frequent correspondents, as a real mailbox is.
  std::size_t Person() {
    const double u = static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
    return static_cast<std::size_t>(u * u * u * kPeople);
  }

  void Name(std::string& out, std::size_t person) {
    out += kFirst[person % kFirst.size()];
    out += ' ';
    out += kLast[(person / kFirst.size()) % kLast.size()];
  }

  // Most people write their address in small letters; some keep the capitals.
  void Address(std::string& out, std::size_t person) {
    std::string_view first = kFirst[person % kFirst.size()];
    std::string_view last = kLast[(person / kFirst.size()) % kLast.size()];
    const std::size_t begin = out.size();
    switch (person % 4) {
      case 0:
        out += first;
        out += '.';
        out += last;
        break;
      case 1:
        out += first.substr(0, 1);
        out += last;
        break;
      case 2:
        out += first;
        out += '_';
        out += last.substr(0, 3);
        break;
      default:
        out += last;
        out += std::to_string(person % 97);
        break;
    }
    if (person % 3)
      for (std::size_t i = begin; i < out.size(); ++i)
        if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] + 32);
    out += '@';
    out += kDomains[(person / 7) % kDomains.size()];
  }

  void NamedAddress(std::string& out, std::size_t person) {
    if (person % 2) {
      out += '"';
      Name(out, person);
      out += "\" <";
    } else {
      Name(out, person);
      out += " <";
    }
    Address(out, person);
    out += '>';
  }

  void Host(std::string& out) {
    out += kHosts[Next() % kHosts.size()];
    out += '.';
    out += kDomains[Next() % kDomains.size()];
  }

  std::string Hex(int digits) { return HexOf(Next(), digits); }
  static std::string HexOf(std::uint64_t v, int digits) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s;
    for (int i = 0; i < digits; ++i, v >>= 4) s += kHex[v & 15];
    return s;
  }

  void Words(std::string& out, std::uint64_t n) {
    for (std::uint64_t i = 0; i < n; ++i) {
      if (i) out += ' ';
      out += kWords[Next() % std::size(kWords)];
    }
  }

  // Text lines of about 70 bytes, with now and then an address in the text, one that fails
  // the check, or one at the end of a sentence.
  void Paragraph(std::string& out) {
    for (int line = 2 + static_cast<int>(Next() % 5); line > 0; --line) {
      Words(out, 8 + Next() % 6);
      switch (Next() % 12) {
        case 0:
          out += " write to ";
          Address(out, Person());
          break;
        case 1:
          out += " or john-doe@";
          out += kDomains[Next() % kDomains.size()];
          break;
        case 2:
          out += ", see ";
          Address(out, Person());
          out += '.';
          break;
        default:
          out += Next() % 3 ? "," : ".";
          break;
      }
      out += '\n';
    }
  }

  void Base64(std::string& out, std::uint64_t bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::uint64_t done = 0; done < bytes; done += 57) {
      std::uint64_t v = 0;
      for (int i = 0; i < 76; ++i) {
        if (i % 10 == 0) v = Next();
        out += kAlphabet[v & 63];
        v >>= 6;
      }
      out += '\n';
    }
  }

  static constexpr std::size_t kPeople = 30000;
  static constexpr std::uint64_t kMessageIds = 20000;
  static constexpr std::array<std::string_view, 40> kFirst = {
      "Ann",   "Bob",    "Carla", "Dieter", "Elena", "Frank", "Greta", "Hugo",  "Ines",  "Jan",
      "Karin", "Lars",   "Maria", "Nils",   "Olga",  "Paul",  "Rita",  "Sven",  "Tanja", "Uwe",
      "Vera",  "Walter", "Xenia", "Yann",   "Zoe",   "Andre", "Bea",   "Chris", "Doris", "Emil",
      "Fiona", "Georg",  "Heidi", "Ivo",    "Julia", "Klaus", "Lena",  "Mark",  "Nora",  "Otto"};
  static constexpr std::array<std::string_view, 40> kLast = {
      "Adler", "Brandt", "Conti",  "Dorn",   "Eckert", "Fuchs",   "Graf",  "Hahn",
      "Imhof", "Jung",   "Kern",   "Lang",   "Mayer",  "Neumann", "Ott",   "Pohl",
      "Quast", "Roth",   "Stein",  "Thiel",  "Ulrich", "Vogel",   "Weber", "Xander",
      "Young", "Zeller", "Arnold", "Berger", "Cramer", "Dahl",    "Ebert", "Frey",
      "Gross", "Horn",   "Ilg",    "Jahn",   "Kraus",  "Lorenz",  "Moser", "Nagel"};
  static constexpr std::array<std::string_view, 20> kDomains = {
      "mail.test",        "web.test",      "corp.example",     "lists.example.org", "uni-nord.test",
      "post.example",     "firma.test",    "mx.provider.test", "example.net",       "example.com",
      "office.test",      "home.example",  "kanzlei.test",     "verein.example",    "shop.test",
      "news.example.org", "research.test", "city.example",     "club.test",         "bank.example"};
  static constexpr std::array<std::string_view, 8> kHosts = {"mx1",  "mx2", "smtp", "relay",
                                                             "mail", "out", "in",   "gw"};
  // Mostly plain words; one in eight carries bytes from 0x80 up (Latin-1, some UTF-8).
  static constexpr std::string_view kWords[] = {"the",
                                                "report",
                                                "meeting",
                                                "figures",
                                                "attached",
                                                "please",
                                                "thanks",
                                                "regards",
                                                "tomorrow",
                                                "budget",
                                                "draft",
                                                "review",
                                                "call",
                                                "office",
                                                "project",
                                                "agenda",
                                                "minutes",
                                                "invoice",
                                                "order",
                                                "delivery",
                                                "week",
                                                "Monday",
                                                "Friday",
                                                "team",
                                                "update",
                                                "question",
                                                "answer",
                                                "plan",
                                                "and",
                                                "for",
                                                "with",
                                                "from",
                                                "about",
                                                "next",
                                                "we",
                                                "you",
                                                "can",
                                                "will",
                                                "have",
                                                "this",
                                                "that",
                                                "our",
                                                "send",
                                                "sent",
                                                "see",
                                                "below",
                                                "above",
                                                "soon",
                                                "time",
                                                "date",
                                                "list",
                                                "new",
                                                "old",
                                                "good",
                                                "best",
                                                "first",
                                                "last",
                                                "open",
                                                "close",
                                                "issue",
                                                "note",
                                                "notes",
                                                "copy",
                                                "file",
                                                "files",
                                                "print",
                                                "sign",
                                                "price",
                                                "cost",
                                                "total",
                                                "room",
                                                "floor",
                                                "train",
                                                "travel",
                                                "hotel",
                                                "late",
                                                "early",
                                                "yes",
                                                "no",
                                                "maybe",
                                                "today",
                                                "again",
                                                "still",
                                                "only",
                                                "more",
                                                "less",
                                                "some",
                                                "all",
                                                "none",
                                                "each",
                                                "other",
                                                "already",
                                                "caf\xE9",
                                                "M\xFCller",
                                                "Stra\xDF"
                                                "e",
                                                "na\xEFve",
                                                "Gr\xFC\xDF"
                                                "e",
                                                "\xE0",
                                                "r\xE9sum\xE9",
                                                "\xC6r\xF8",
                                                "se\xF1or",
                                                "fa\xE7"
                                                "ade",
                                                "\xA9",
                                                "50\x80",
                                                "caf\xC3\xA9",
                                                "Z\xC3\xBCrich"};

  std::uint64_t state_;
};

}  // namespace bench
