// Writes Outlook Express 5 folder files in their real layout, as the public descriptions
// of the format give it, so that an index-following reader (undbx) and our block scan can
// both read the result:
//
//   file header, 0x24BC bytes
//     +0x00  signature            CF AD 12 FE C5 FD 74 6F 66 E3 D1 11 9A 4E 00 C0
//     +0x7C  end of the used file
//     +0xC4  number of messages in the index
//     +0xE4  offset of the root node of the message index tree
//   message blocks, 0x210 bytes each
//     +0x00 own offset  +0x04 capacity 0x200  +0x08 text length  +0x0C next block  +0x10 text
//   message records ("indexed info"), one per message
//     +0x00 own offset  +0x04 bytes after this 12-byte head  +0x0A number of fields  +0x0B 1
//     +0x0C one word per field: the field id in the low byte (0x80 set: the value itself in
//           the upper three bytes; clear: the offset of the value in the data that follows)
//   index tree nodes, 0x27C bytes each
//     +0x00 own offset  +0x08 first child  +0x0C parent  +0x11 entries in this node
//     +0x14 messages under the first child
//     +0x18 entries of 12 bytes: message record, child after it, messages under that child
//
// The writer streams: blocks and records are written as messages arrive, the tree and the
// header once all are in, so a file of any size is written in constant memory (apart from
// one word per message).
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::bench {

// What the message record tells an index reader about a message.
struct TDbxMessageInfo {
  std::string subject, messageId;
  std::string senderName, senderAddress;
  std::string receiverName, receiverAddress;
  std::uint64_t sentTime = 0, receivedTime = 0;  // FILETIME
  // Store the block address and size as data rather than in the field word, as the mail
  // program does once they no longer fit three bytes.
  bool indirect = false;
};

class TDbxWriter {
 public:
  static constexpr std::uint32_t kHeaderSize = 0x24BC;
  static constexpr std::uint32_t kBlockText = 0x200;
  static constexpr std::uint32_t kBlockSize = 0x10 + kBlockText;
  static constexpr std::uint32_t kNodeSize = 0x27C;
  static constexpr std::uint32_t kNodeEntries = 51;

  explicit TDbxWriter(const std::string& path) : out_(std::fopen(path.c_str(), "wb")) {
    if (!out_) throw std::runtime_error("cannot create " + path);
    std::vector<char> header(kHeaderSize, 0);
    Write(header.data(), header.size());
  }
  ~TDbxWriter() {
    if (out_) std::fclose(out_);
  }
  TDbxWriter(const TDbxWriter&) = delete;
  TDbxWriter& operator=(const TDbxWriter&) = delete;

  std::uint64_t Size() const { return pos_; }
  std::size_t Messages() const { return records_.size(); }

  // Appends a message: its chained blocks, then its record.
  void AddMessage(std::string_view text, const TDbxMessageInfo& info) {
    const std::uint32_t first = static_cast<std::uint32_t>(pos_);
    const std::uint32_t length = static_cast<std::uint32_t>(text.size());
    std::vector<char> block(kBlockSize);
    do {
      const std::string_view part = text.substr(0, kBlockText);
      text.remove_prefix(part.size());
      std::fill(block.begin(), block.end(), 0);
      const std::uint32_t at = static_cast<std::uint32_t>(pos_);
      Put32(block.data(), 0, at);
      Put32(block.data(), 4, kBlockText);
      Put32(block.data(), 8, static_cast<std::uint32_t>(part.size()));
      Put32(block.data(), 12, text.empty() ? 0 : at + kBlockSize);
      std::copy(part.begin(), part.end(), block.begin() + 16);
      Write(block.data(), block.size());
    } while (!text.empty());
    WriteRecord(first, length, info);
  }

  // Writes the index tree and the header: the file is complete.
  void Finish() {
    nodes_.clear();
    std::uint32_t root = 0;
    if (!records_.empty()) Build(0, records_.size(), 0);
    const std::uint64_t treeStart = pos_;
    for (TNode& n : nodes_) n.at = static_cast<std::uint32_t>(treeStart + n.at);
    for (const TNode& n : nodes_) {
      std::vector<char> b(kNodeSize, 0);
      Put32(b.data(), 0x00, n.at);
      Put32(b.data(), 0x08, n.firstChild ? nodes_[n.firstChild - 1].at : 0);
      Put32(b.data(), 0x0C, n.parent ? nodes_[n.parent - 1].at : 0);
      b[0x11] = static_cast<char>(n.entries.size());
      Put32(b.data(), 0x14, n.firstChildCount);
      for (std::size_t i = 0; i < n.entries.size(); ++i) {
        const TEntry& e = n.entries[i];
        Put32(b.data(), 0x18 + 12 * i, e.record);
        Put32(b.data(), 0x1C + 12 * i, e.child ? nodes_[e.child - 1].at : 0);
        Put32(b.data(), 0x20 + 12 * i, e.childCount);
      }
      Write(b.data(), b.size());
    }
    if (!records_.empty()) root = nodes_[0].at;

    std::array<char, 0x100> head{};
    static constexpr std::uint8_t kSignature[16] = {0xCF, 0xAD, 0x12, 0xFE, 0xC5, 0xFD, 0x74, 0x6F,
                                                    0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E, 0x00, 0xC0};
    std::copy(std::begin(kSignature), std::end(kSignature), head.begin());
    Put32(head.data(), 0x7C, static_cast<std::uint32_t>(pos_));
    Put32(head.data(), 0xC4, static_cast<std::uint32_t>(records_.size()));
    Put32(head.data(), 0xE4, root);
    if (std::fseek(out_, 0, SEEK_SET) != 0) throw std::runtime_error("cannot seek");
    if (std::fwrite(head.data(), 1, head.size(), out_) != head.size())
      throw std::runtime_error("cannot write the header");
    if (std::fclose(out_) != 0) throw std::runtime_error("cannot close the folder file");
    out_ = nullptr;
  }

 private:
  struct TEntry {
    std::uint32_t record, child, childCount;  // child: node number + 1, 0 for none
  };
  struct TNode {
    std::uint32_t at = 0;  // offset within the tree until written
    std::uint32_t parent = 0, firstChild = 0, firstChildCount = 0;
    std::vector<TEntry> entries;
  };
  struct TBuilt {
    std::uint32_t node, at, count;
  };

  static void Put32(char* b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }

  void Write(const char* data, std::size_t n) {
    if (std::fwrite(data, 1, n, out_) != n) throw std::runtime_error("cannot write");
    pos_ += n;
    if (pos_ >= (1ull << 31)) throw std::runtime_error("folder files stay below 2 GiB");
  }

  void WriteRecord(std::uint32_t firstBlock, std::uint32_t textSize, const TDbxMessageInfo& info) {
    std::vector<std::uint32_t> fields;
    std::string data;
    auto direct = [&](std::uint8_t id, std::uint32_t v) {
      fields.push_back(0x80u | id | (v << 8));
    };
    auto at = [&](std::uint8_t id) {
      fields.push_back(id | (static_cast<std::uint32_t>(data.size()) << 8));
    };
    auto word = [&](std::uint8_t id, std::uint32_t v) {
      at(id);
      for (int i = 0; i < 4; ++i) data += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto time = [&](std::uint8_t id, std::uint64_t v) {
      at(id);
      for (int i = 0; i < 8; ++i) data += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto text = [&](std::uint8_t id, const std::string& s) {
      at(id);
      data += s;
      data += '\0';
    };
    const std::uint32_t number = static_cast<std::uint32_t>(records_.size() + 1);
    direct(0x00, number);
    word(0x01, 0x00000081);  // read, downloaded
    time(0x02, info.sentTime);
    if (info.indirect || firstBlock >= (1u << 24))
      word(0x04, firstBlock);
    else
      direct(0x04, firstBlock);
    text(0x07, info.messageId);
    text(0x08, info.subject);
    text(0x0D, info.senderName);
    text(0x0E, info.senderAddress);
    if (info.indirect || textSize >= (1u << 24))
      word(0x11, textSize);
    else
      direct(0x11, textSize);
    time(0x12, info.receivedTime);
    text(0x13, info.receiverName);
    text(0x14, info.receiverAddress);
    while (data.size() % 4) data += '\0';

    const std::uint32_t self = static_cast<std::uint32_t>(pos_);
    std::string rec(12, '\0');
    Put32(rec.data(), 0, self);
    Put32(rec.data(), 4, static_cast<std::uint32_t>(4 * fields.size() + data.size()));
    rec[10] = static_cast<char>(fields.size());
    rec[11] = 1;
    for (std::uint32_t f : fields) {
      char w[4];
      Put32(w, 0, f);
      rec.append(w, 4);
    }
    rec += data;
    Write(rec.data(), rec.size());
    records_.push_back(self);
  }

  // The subtree over records [lo, hi): a node whose entries alternate with child subtrees
  // in reading order (first child, entry, its child, entry, ...).
  TBuilt Build(std::size_t lo, std::size_t hi, std::uint32_t parent) {
    const std::uint32_t self = static_cast<std::uint32_t>(nodes_.size()) + 1;
    nodes_.push_back(TNode{});
    nodes_[self - 1].at = (self - 1) * kNodeSize;
    nodes_[self - 1].parent = parent;
    const std::size_t n = hi - lo;
    if (n <= kNodeEntries) {
      for (std::size_t i = lo; i < hi; ++i) nodes_[self - 1].entries.push_back({records_[i], 0, 0});
      return {self, nodes_[self - 1].at, static_cast<std::uint32_t>(n)};
    }
    // The smallest child size that lets at most 52 children and 51 entries hold n.
    std::size_t child = kNodeEntries;
    while ((kNodeEntries + 1) * child + kNodeEntries < n)
      child = (kNodeEntries + 1) * child + kNodeEntries;
    std::size_t i = lo;
    const TBuilt first = Build(i, i + child, self);
    nodes_[self - 1].firstChild = first.node;
    nodes_[self - 1].firstChildCount = first.count;
    i += child;
    while (i < hi) {
      const std::uint32_t record = records_[i++];
      const std::size_t take = std::min(child, hi - i);
      TEntry e{record, 0, 0};
      if (take > 0) {
        const TBuilt sub = Build(i, i + take, self);
        e.child = sub.node;
        e.childCount = sub.count;
        i += take;
      }
      nodes_[self - 1].entries.push_back(e);
    }
    std::uint32_t count = 0;
    count += nodes_[self - 1].firstChildCount;
    for (const TEntry& e : nodes_[self - 1].entries) count += 1 + e.childCount;
    return {self, nodes_[self - 1].at, count};
  }

  std::FILE* out_ = nullptr;
  std::uint64_t pos_ = 0;
  std::vector<std::uint32_t> records_;
  std::vector<TNode> nodes_;
};

}  // namespace tessaly::bench
