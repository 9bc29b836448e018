#include "registry/RegFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace tessaly {

namespace {

namespace fs = std::filesystem;

enum class TRegDialect { Wine, Regedit4, Regedit5 };

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
class TUtf16Decoder {
 public:
  explicit TUtf16Decoder(std::string& out) : out_(out) {}
  ~TUtf16Decoder() { Flush(); }
  void Put(std::uint16_t u) {
    if (u >= 0xD800 && u < 0xDC00) {
      Flush();
      high_ = u;
      return;
    }
    if (u >= 0xDC00 && u < 0xE000) {
      if (high_) {
        AppendUtf8(out_, 0x10000 + ((high_ - 0xD800) << 10) + (u - 0xDC00));
        high_ = 0;
      } else {
        AppendUtf8(out_, 0xFFFD);
      }
      return;
    }
    Flush();
    AppendUtf8(out_, u);
  }
  void Flush() {
    if (high_) AppendUtf8(out_, 0xFFFD);
    high_ = 0;
  }

 private:
  std::string& out_;
  std::uint16_t high_ = 0;
};

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  {
    TUtf16Decoder dec(out);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      dec.Put(static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         SameTextIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Reads a quoted string starting at text[pos] == '"', with the escapes both dialects write
// (\\ and \") and the ones Wine adds (\n, \r, \t, \0, \xHHHH, octal). pos ends after the
// closing quote. Nothing when the quote is never closed.
std::optional<std::string> ReadQuoted(std::string_view text, std::size_t& pos) {
  if (pos >= text.size() || text[pos] != '"') return std::nullopt;
  ++pos;
  std::string out;
  TUtf16Decoder wide(out);
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c == '"') {
      wide.Flush();
      return out;
    }
    if (c != '\\' || pos >= text.size()) {
      wide.Flush();
      out += c;
      continue;
    }
    const char e = text[pos++];
    switch (e) {
      case 'n':
        wide.Flush();
        out += '\n';
        break;
      case 'r':
        wide.Flush();
        out += '\r';
        break;
      case 't':
        wide.Flush();
        out += '\t';
        break;
      case 'a':
        wide.Flush();
        out += '\a';
        break;
      case 'b':
        wide.Flush();
        out += '\b';
        break;
      case 'e':
        wide.Flush();
        out += '\x1b';
        break;
      case 'f':
        wide.Flush();
        out += '\f';
        break;
      case 'v':
        wide.Flush();
        out += '\v';
        break;
      case 'x': {
        std::uint32_t v = 0;
        int n = 0;
        while (n < 4 && pos < text.size() && HexDigit(text[pos]) >= 0) {
          v = v * 16 + HexDigit(text[pos++]);
          ++n;
        }
        if (n == 0) {
          wide.Flush();
          out += 'x';
        } else {
          wide.Put(static_cast<std::uint16_t>(v));
        }
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          std::uint32_t v = e - '0';
          for (int n = 1; n < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++n)
            v = v * 8 + (text[pos++] - '0');
          wide.Put(static_cast<std::uint16_t>(v));
        } else {
          wide.Flush();
          out += e;  // \\ and \" and anything unknown: the character itself
        }
    }
  }
  return std::nullopt;
}

// "hex(2):25,00,55,00" style bytes.
std::string ReadHexBytes(std::string_view text) {
  std::string bytes;
  int hi = -1;
  for (char c : text) {
    const int d = HexDigit(c);
    if (d < 0) {
      hi = -1;
      continue;
    }
    if (hi < 0) {
      hi = d;
    } else {
      bytes += static_cast<char>(hi * 16 + d);
      hi = -1;
    }
  }
  return bytes;
}

std::string StripTrailingNuls(std::string s) {
  while (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

// The value's text when it is a string type; nothing for other types. deleted is set for
// a "name"=- line.
std::optional<std::string> ReadData(std::string_view data, TRegDialect dialect, bool& deleted) {
  deleted = false;
  data = TrimSpaces(data);
  if (data == "-") {
    deleted = true;
    return std::nullopt;
  }
  if (!data.empty() && data.front() == '"') {
    std::size_t pos = 0;
    return ReadQuoted(data, pos);
  }
  if (StartsWithIgnoringCase(data, "str(")) {
    const std::size_t close = data.find("):");
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view type = data.substr(4, close - 4);
    if (type != "1" && type != "2") return std::nullopt;  // multi-strings are not strings here
    std::size_t pos = close + 2;
    return ReadQuoted(data, pos);
  }
  for (std::string_view prefix : {"hex(1):", "hex(2):"}) {
    if (StartsWithIgnoringCase(data, prefix)) {
      const std::string bytes = ReadHexBytes(data.substr(prefix.size()));
      if (dialect == TRegDialect::Regedit4) return StripTrailingNuls(bytes);
      return StripTrailingNuls(Utf16LeToUtf8(bytes));
    }
  }
  return std::nullopt;
}

// Splits "[key] timestamp" into the key path, unescaping Wine's doubled backslashes.
std::optional<std::string> ReadKeyPath(std::string_view line, TRegDialect dialect) {
  const std::size_t close = line.rfind(']');
  if (close == std::string_view::npos || close == 0) return std::nullopt;
  std::string_view raw = line.substr(1, close - 1);
  if (dialect != TRegDialect::Wine) return std::string(raw);
  // Wine writes key names with the value escapes; reuse the quoted reader.
  std::string quoted;
  quoted.reserve(raw.size() + 2);
  quoted += '"';
  for (char c : raw) {
    if (c == '"') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::size_t pos = 0;
  return ReadQuoted(quoted, pos);
}

// The text as logical lines: CR LF or LF endings, a trailing backslash continuing the line.
std::vector<std::string> LogicalLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string current;
  bool continuing = false;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (continuing) line = TrimSpaces(line);
    // Only hex data is continued; a quoted value may well end with a backslash.
    const bool continues = !line.empty() && line.back() == '\\' &&
                           (continuing || line.find("=hex") != std::string_view::npos);
    if (continues) line.remove_suffix(1);
    current += line;
    continuing = continues;
    if (!continuing) {
      lines.push_back(std::move(current));
      current.clear();
    }
    pos = end + 1;
  }
  if (!current.empty()) lines.push_back(std::move(current));
  return lines;
}

}  // namespace

bool TRegFileRegistry::LoadFile(const std::string& path, TRegRoot defaultRoot,
                                const std::vector<std::string>& keep) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return false;
  LoadText(bytes, defaultRoot, keep);
  return true;
}

void TRegFileRegistry::LoadText(std::string_view bytes, TRegRoot defaultRoot,
                                const std::vector<std::string>& keep) {
  std::string text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    text = Utf16LeToUtf8(bytes.substr(2));
  } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    text = std::string(bytes.substr(3));
  } else {
    text = std::string(bytes);
  }

  TRegDialect dialect = TRegDialect::Wine;
  TRegKey* key = nullptr;
  bool first = true;
  for (const std::string& rawLine : LogicalLines(text)) {
    const std::string_view line = TrimSpaces(rawLine);
    if (line.empty()) continue;
    if (first) {
      first = false;
      if (StartsWithIgnoringCase(line, "REGEDIT4")) {
        dialect = TRegDialect::Regedit4;
        continue;
      }
      if (StartsWithIgnoringCase(line, "Windows Registry Editor")) {
        dialect = TRegDialect::Regedit5;
        continue;
      }
      if (StartsWithIgnoringCase(line, "WINE REGISTRY")) continue;
    }
    if (line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      key = nullptr;
      const auto path = ReadKeyPath(line, dialect);
      if (!path || path->empty() || path->front() == '-') continue;  // a deletion: no values
      std::string_view p = *path;
      TRegRoot root = defaultRoot;
      bool named = false;
      for (auto [name, r] :
           {std::pair{std::string_view("HKEY_CURRENT_USER"), TRegRoot::CurrentUser},
            std::pair{std::string_view("HKCU"), TRegRoot::CurrentUser},
            std::pair{std::string_view("HKEY_LOCAL_MACHINE"), TRegRoot::LocalMachine},
            std::pair{std::string_view("HKLM"), TRegRoot::LocalMachine}}) {
        if (StartsWithIgnoringCase(p, name) &&
            (p.size() == name.size() || p[name.size()] == '\\')) {
          root = r;
          p.remove_prefix(name.size());
          named = true;
          break;
        }
      }
      if (!named && StartsWithIgnoringCase(p, "HKEY_")) continue;  // another root
      while (!p.empty() && p.front() == '\\') p.remove_prefix(1);
      if (!keep.empty() && std::none_of(keep.begin(), keep.end(), [p](const std::string& k) {
            return StartsWithIgnoringCase(p, k) && (p.size() == k.size() || p[k.size()] == '\\');
          }))
        continue;
      key = &Root(root).Make(p);
      continue;
    }
    if (!key) continue;
    std::string name;
    std::size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else if (line.front() == '"') {
      auto quoted = ReadQuoted(line, pos);
      if (!quoted) continue;
      name = std::move(*quoted);
    } else {
      continue;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') continue;
    bool deleted = false;
    auto value = ReadData(line.substr(pos + 1), dialect, deleted);
    if (deleted) continue;
    key->SetValue(name, std::move(value));
  }
}

void TRegFileRegistry::SetDriveRoot(char letter, std::string folder) {
  if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
  if (letter < 'a' || letter > 'z') return;
  driveRoots_[letter - 'a'] = std::move(folder);
}

std::string TRegFileRegistry::ToLocalPath(std::string_view windowsPath) const {
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::string(windowsPath);
  char letter = windowsPath[0];
  if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
  if (letter < 'a' || letter > 'z' || driveRoots_[letter - 'a'].empty())
    return std::string(windowsPath);

  fs::path local = driveRoots_[letter - 'a'];
  std::string_view rest = windowsPath.substr(2);
  bool resolving = true;
  while (!rest.empty()) {
    const std::size_t cut = rest.find_first_of("\\/");
    const std::string_view part = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
    if (part.empty()) continue;
    std::error_code ec;
    fs::path next = local / std::string(part);
    if (resolving && !fs::exists(next, ec)) {
      // Windows names ignore letter case; this file system does not.
      bool found = false;
      for (fs::directory_iterator it(local, ec), end; !ec && it != end; it.increment(ec)) {
        if (SameTextIgnoringCase(it->path().filename().string(), part)) {
          next = it->path();
          found = true;
          break;
        }
      }
      resolving = found;
    }
    local = next;
  }
  return local.string();
}

std::unique_ptr<TRegFileRegistry> TRegFileRegistry::ForWinePrefix(const std::string& prefix) {
  auto reg = std::make_unique<TRegFileRegistry>();
  const fs::path root = prefix;
  const bool user =
      reg->LoadFile((root / "user.reg").string(), TRegRoot::CurrentUser, {"Identities"});
  const bool machine = reg->LoadFile((root / "system.reg").string(), TRegRoot::LocalMachine,
                                     {"Software\\Microsoft\\Windows NT\\CurrentVersion"});
  if (!user && !machine) return nullptr;

  reg->SetWindowsFolder(reg->ReadString(TRegRoot::LocalMachine,
                                        "Software\\Microsoft\\Windows NT\\CurrentVersion",
                                        "SystemRoot")
                            .value_or("C:\\windows"));
  std::error_code ec;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const fs::path device = root / "dosdevices" / (std::string(1, letter) + ":");
    if (fs::is_directory(device, ec)) reg->SetDriveRoot(letter, device.string());
  }
  if (reg->driveRoots_['c' - 'a'].empty() && fs::is_directory(root / "drive_c", ec))
    reg->SetDriveRoot('c', (root / "drive_c").string());
  return reg;
}

std::string FindWinePrefix() {
  std::error_code ec;
  if (const char* env = std::getenv("WINEPREFIX"); env && *env && fs::is_directory(env, ec))
    return env;
  if (const char* home = std::getenv("HOME"); home && *home) {
    const fs::path wine = fs::path(home) / ".wine";
    if (fs::is_directory(wine, ec)) return wine.string();
  }
  return {};
}

std::unique_ptr<TRegistry> MakeDefaultRegistry() {
  const std::string prefix = FindWinePrefix();
  if (!prefix.empty()) {
    if (auto reg = TRegFileRegistry::ForWinePrefix(prefix)) return reg;
  }
  return std::make_unique<TEmptyRegistry>();
}

}  // namespace tessaly
