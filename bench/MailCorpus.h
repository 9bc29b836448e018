// A reproducible stream of mail messages shaped like a real mailbox: relayed headers,
// display names in their usual forms, folded recipient lists, encoded subjects, plain and
// multipart bodies, quoted replies, forwarded headers and base64 attachments of every size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "DbxWriter.h"

namespace tessaly::bench {

class TMailCorpus {
 public:
  struct TMail {
    std::string text;
    TDbxMessageInfo info;
  };

  explicit TMailCorpus(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}

  TMail Next() {
    ++count_;
    TMail m;
    const Person from = AnyPerson();
    const int recipients = 1 + Below(4) + (Below(10) == 0 ? 8 : 0);
    std::string to, firstTo, firstToName;
    for (int i = 0; i < recipients; ++i) {
      const Person p = AnyPerson();
      if (i == 0) {
        firstTo = p.address;
        firstToName = p.name;
      }
      if (i) to += i % 3 == 0 ? ",\r\n\t" : ", ";
      to += Mailbox(p);
    }
    const std::string date = Date();
    const std::string id = Hex(12) + "." + std::to_string(count_) + "@" + from.domain;
    std::string subject = Words(2 + Below(6));
    if (Below(8) == 0) subject = "=?iso-8859-1?Q?" + Words(2) + "_=E9t=E9?=";
    if (Below(4) == 0) subject = "Re: " + subject;

    std::string& t = m.text;
    t.reserve(4096);
    t += "Return-Path: <" + from.address + ">\r\n";
    t += "Received: from mail" + std::to_string(Below(9)) + "." + from.domain + " ([192.0.2." +
         std::to_string(1 + Below(250)) + "])\r\n\tby mx" + std::to_string(Below(4)) +
         ".example.net with ESMTP id " + Hex(10) + "\r\n\tfor <" + firstTo + ">; " + date + "\r\n";
    t += "Message-ID: <" + id + ">\r\n";
    t += "From: " + Mailbox(from) + "\r\n";
    t += "To: " + to + "\r\n";
    if (Below(3) == 0) t += "Cc: " + Mailbox(AnyPerson()) + ", " + Mailbox(AnyPerson()) + "\r\n";
    t += "Subject: " + subject + "\r\n";
    t += "Date: " + date + "\r\n";
    t += "MIME-Version: 1.0\r\n";
    const bool multipart = Below(3) == 0;
    const std::string boundary = "----=_NextPart_000_" + Hex(4) + "_" + Hex(8);
    if (multipart)
      t += "Content-Type: multipart/mixed;\r\n\tboundary=\"" + boundary + "\"\r\n";
    else
      t += "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n";
    t += "X-Priority: 3\r\nX-Mailer: Microsoft Outlook Express 5.50.4133.2400\r\n\r\n";

    if (multipart) {
      t += "This is a multi-part message in MIME format.\r\n\r\n--" + boundary + "\r\n";
      t += "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
    }
    Body(t, from);
    if (multipart) {
      t += "\r\n--" + boundary + "\r\n";
      t += "Content-Type: application/octet-stream;\r\n\tname=\"report" + std::to_string(count_) +
           ".pdf\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment\r\n\r\n";
      const int lines = Below(5) == 0 ? 200 + Below(1500) : 5 + Below(120);
      for (int i = 0; i < lines; ++i) t += Base64Line();
      t += "\r\n--" + boundary + "--\r\n";
    }

    m.info.subject = subject;
    m.info.messageId = "<" + id + ">";
    m.info.senderName = from.name;
    m.info.senderAddress = from.address;
    m.info.receiverName = firstToName;
    m.info.receiverAddress = firstTo;
    m.info.sentTime = 0x01C2000000000000ull + count_ * 600'000'000ull;
    m.info.receivedTime = m.info.sentTime + 30'000'000ull;
    return m;
  }

 private:
  struct Person {
    std::string name, address, domain;
  };

  std::uint64_t Rand() {
    // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Rand() % static_cast<std::uint64_t>(n)); }

  template <std::size_t N>
  std::string_view Pick(const std::string_view (&list)[N]) {
    return list[Below(static_cast<int>(N))];
  }

  Person AnyPerson() {
    static constexpr std::string_view kFirst[] = {
        "Ann",   "Bob",  "Carla", "Dieter", "Eva",  "Farid", "Grace", "Hiro", "Ines",  "Jonas",
        "Karin", "Luis", "Maya",  "Nils",   "Olga", "Paulo", "Rita",  "Sven", "Tomas", "Ute"};
    static constexpr std::string_view kLast[] = {
        "Lee",   "Marsh", "Okafor", "Berg",   "Silva",  "Novak", "Ito",   "Kraus", "Duarte",
        "Quinn", "Rossi", "Haas",   "Moreau", "Brandt", "Costa", "Vogel", "Lind",  "Petrov"};
    static constexpr std::string_view kDomains[] = {
        "example.org",   "mail.example.com", "post.example.net", "uni-example.de",
        "example.co.uk", "web.example.br",   "corp.example",     "isp.example.fr"};
    const std::string first(Pick(kFirst)), last(Pick(kLast));
    Person p;
    p.domain = Pick(kDomains);
    p.name = first + " " + last;
    std::string local = Below(2) ? first + "." + last : first.substr(0, 1) + last;
    if (Below(3) == 0) local += std::to_string(Below(100));
    for (char& c : local)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    p.address = local + "@" + p.domain;
    return p;
  }

  std::string Mailbox(const Person& p) {
    switch (Below(5)) {
      case 0:
        return "\"" + p.name + "\" <" + p.address + ">";
      case 1:
        return p.name + " <" + p.address + ">";
      case 2:
        return p.address + " (" + p.name + ")";
      case 3:
        return "<" + p.address + ">";
      default:
        return p.address;
    }
  }

  std::string Words(int n) {
    static constexpr std::string_view kWords[] = {
        "meeting",  "report",  "draft",   "budget",   "tomorrow", "please", "review",
        "attached", "project", "notes",   "the",      "and",      "for",    "with",
        "about",    "quarter", "numbers", "team",     "schedule", "update", "travel",
        "invoice",  "minutes", "agenda",  "question", "thanks"};
    std::string s;
    for (int i = 0; i < n; ++i) {
      if (i) s += ' ';
      s += Pick(kWords);
    }
    return s;
  }

  std::string Hex(int n) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s;
    for (int i = 0; i < n; ++i) s += kDigits[Below(16)];
    return s;
  }

  std::string Date() {
    static constexpr std::string_view kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return std::string(Pick(kDays)) + ", " + std::to_string(1 + Below(28)) + " " +
           std::string(Pick(kMonths)) + " 200" + std::to_string(Below(4)) + " " +
           std::to_string(10 + Below(14)) + ":" + std::to_string(10 + Below(50)) + ":" +
           std::to_string(10 + Below(50)) + " +0" + std::to_string(Below(3)) + "00";
  }

  std::string Base64Line() {
    static constexpr char kB64[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string s(76, 'A');
    for (char& c : s) c = kB64[Below(64)];
    return s + "\r\n";
  }

  void Body(std::string& t, const Person& from) {
    const int size =
        Below(10) < 6 ? 300 + Below(2700) : (Below(4) ? 3000 + Below(17000) : 20000 + Below(60000));
    const std::size_t stop = t.size() + static_cast<std::size_t>(size);
    while (t.size() < stop) {
      switch (Below(14)) {
        case 0:
          t += "Please write to " + AnyPerson().address + " about it.\r\n";
          break;
        case 1:
          t += "> " + Words(8) + "\r\n> " + Words(6) + "\r\n";
          break;
        case 2:
          t += "\r\n-----Original Message-----\r\nFrom: " + Mailbox(AnyPerson()) +
               "\r\nSent: " + Date() + "\r\nTo: " + Mailbox(from) + "\r\nSubject: " + Words(3) +
               "\r\n\r\n";
          break;
        default:
          t += Words(10 + Below(4)) + "\r\n";
      }
    }
    t += "\r\n-- \r\n" + from.name + "\r\n";
  }

  std::uint64_t state_;
  std::uint64_t count_ = 0;
};

}  // namespace tessaly::bench
