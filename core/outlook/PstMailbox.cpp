#include "outlook/PstMailbox.h"

#include <libbfio.h>
#include <libpff.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <utility>

namespace tessaly::mailbox {
namespace {

// Property tags the reader asks the store for.
constexpr std::uint32_t kDisplayName = 0x3001;
constexpr std::uint32_t kEmailAddress = 0x3003;
constexpr std::uint32_t kSmtpAddress = 0x39FE;
constexpr std::uint32_t kRecipientDisplayName = 0x5FF6;
constexpr std::uint32_t kTransportHeaders = 0x007D;
constexpr std::uint32_t kSenderName = 0x0C1A;
constexpr std::uint32_t kSenderEmailAddress = 0x0C1F;
constexpr std::uint32_t kSenderSmtpAddress = 0x5D01;
constexpr std::uint32_t kSentRepresentingName = 0x0042;
constexpr std::uint32_t kSentRepresentingEmailAddress = 0x0065;
constexpr std::uint32_t kSentRepresentingSmtpAddress = 0x5D02;
constexpr std::uint32_t kIpmSubtreeEntryId = 0x35E0;
// The IPM subtree's node in a PST whose store record does not name it.
constexpr std::uint32_t kDefaultIpmSubtree = 0x8022;

// Every tag asked for is a fixed one, never a named property, so the look-up skips the
// named-property map (which otherwise is searched for every entry of the set).
constexpr std::uint8_t kEntryFlags = LIBPFF_ENTRY_VALUE_FLAG_IGNORE_NAME_TO_ID_MAP;

// Node ids carry their kind in the low five bits.
constexpr std::uint32_t kNodeTypeMask = 0x1F;
constexpr std::uint32_t kNodeTypeMessage = 0x04;
constexpr std::uint32_t kNodeTypeAssociatedMessage = 0x08;

// A store entry id: 4 flag bytes, the 16-byte provider id, then the 32-bit node id.
constexpr std::size_t kEntryIdNodeOffset = 20;
constexpr std::size_t kEntryIdMinSize = 24;

std::uint32_t LoadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The reason a libpff call failed, in one line.
struct TPffError {
  libpff_error_t* error = nullptr;
  ~TPffError() {
    if (error) libpff_error_free(&error);
  }
  libpff_error_t** operator&() { return &error; }
  std::string Text() const {
    if (!error) return "unknown error";
    char buffer[512] = {};
    libpff_error_sprint(error, buffer, sizeof buffer);
    std::string text(buffer);
    const std::size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos) text.resize(end);
    return text;
  }
};

struct TItem {
  libpff_item_t* item = nullptr;
  TItem() = default;
  explicit TItem(libpff_item_t* i) : item(i) {}
  ~TItem() { Reset(); }
  TItem(TItem&& other) noexcept : item(std::exchange(other.item, nullptr)) {}
  TItem& operator=(TItem&& other) noexcept {
    if (this != &other) {
      Reset();
      item = std::exchange(other.item, nullptr);
    }
    return *this;
  }
  void Reset() {
    if (item) libpff_item_free(&item, nullptr);
    item = nullptr;
  }
};

struct TRecordSet {
  libpff_record_set_t* set = nullptr;
  ~TRecordSet() {
    if (set) libpff_record_set_free(&set, nullptr);
  }
};

// A string property of a record set; nothing when the set does not carry it as a string.
std::optional<std::string> StringProperty(libpff_record_set_t* set, std::uint32_t type) {
  libpff_record_entry_t* entry = nullptr;
  if (libpff_record_set_get_entry_by_type(
          set, type, 0, &entry, kEntryFlags | LIBPFF_ENTRY_VALUE_FLAG_MATCH_ANY_VALUE_TYPE,
          nullptr) != 1)
    return std::nullopt;
  std::optional<std::string> value;
  std::uint32_t valueType = 0;
  std::size_t size = 0;
  if (libpff_record_entry_get_value_type(entry, &valueType, nullptr) == 1 &&
      (valueType == LIBPFF_VALUE_TYPE_STRING_ASCII ||
       valueType == LIBPFF_VALUE_TYPE_STRING_UNICODE) &&
      libpff_record_entry_get_data_as_utf8_string_size(entry, &size, nullptr) == 1) {
    std::string text(size, '\0');
    if (size == 0 || libpff_record_entry_get_data_as_utf8_string(
                         entry, reinterpret_cast<std::uint8_t*>(text.data()), size, nullptr) == 1) {
      text.resize(std::strlen(text.c_str()));
      value = std::move(text);
    }
  }
  libpff_record_entry_free(&entry, nullptr);
  return value;
}

std::optional<std::vector<std::uint8_t>> BinaryProperty(libpff_record_set_t* set,
                                                        std::uint32_t type) {
  libpff_record_entry_t* entry = nullptr;
  if (libpff_record_set_get_entry_by_type(set, type, LIBPFF_VALUE_TYPE_BINARY_DATA, &entry,
                                          kEntryFlags, nullptr) != 1)
    return std::nullopt;
  std::optional<std::vector<std::uint8_t>> value;
  std::size_t size = 0;
  if (libpff_record_entry_get_data_size(entry, &size, nullptr) == 1) {
    std::vector<std::uint8_t> data(size);
    if (size == 0 || libpff_record_entry_get_data(entry, data.data(), size, nullptr) == 1)
      value = std::move(data);
  }
  libpff_record_entry_free(&entry, nullptr);
  return value;
}

// The first non-empty one of these string properties; empty when none is.
std::string FirstString(libpff_record_set_t* set, std::initializer_list<std::uint32_t> types) {
  for (std::uint32_t type : types)
    if (auto value = StringProperty(set, type); value && !value->empty()) return *value;
  return {};
}

std::string FolderName(libpff_item_t* folder) {
  std::size_t size = 0;
  if (libpff_folder_get_utf8_name_size(folder, &size, nullptr) != 1 || size == 0) return {};
  std::string name(size, '\0');
  if (libpff_folder_get_utf8_name(folder, reinterpret_cast<std::uint8_t*>(name.data()), size,
                                  nullptr) != 1)
    throw EMailbox("the folder name cannot be read");
  name.resize(std::strlen(name.c_str()));
  return name;
}

std::uint32_t IdentifierOf(libpff_item_t* item) {
  std::uint32_t id = 0;
  if (libpff_item_get_identifier(item, &id, nullptr) != 1)
    throw EMailbox("the item has no identifier");
  return id;
}

// The bytes of a data file already in memory, as a libbfio handle. libbfio's own memory
// range copies whatever length is asked for, even past the end of the range, so a file
// cut inside a block would be read beyond its bytes; this one stops at the end, as a file
// read does.
struct TMemoryRange {
  const std::uint8_t* data = nullptr;
  std::uint64_t size = 0;
  std::uint64_t offset = 0;
  bool open = false;

  static TMemoryRange* Of(intptr_t* h) { return reinterpret_cast<TMemoryRange*>(h); }
  static int Free(intptr_t** h, libbfio_error_t**) {
    delete Of(*h);
    *h = nullptr;
    return 1;
  }
  static int Clone(intptr_t** to, intptr_t* from, libbfio_error_t**) {
    auto* copy = new TMemoryRange(*Of(from));
    copy->open = false;
    copy->offset = 0;
    *to = reinterpret_cast<intptr_t*>(copy);
    return 1;
  }
  static int Open(intptr_t* h, int, libbfio_error_t**) {
    Of(h)->open = true;
    return 1;
  }
  static int Close(intptr_t* h, libbfio_error_t**) {
    Of(h)->open = false;
    return 0;
  }
  static ssize_t Read(intptr_t* h, std::uint8_t* buffer, std::size_t size, libbfio_error_t**) {
    TMemoryRange& r = *Of(h);
    if (!r.open) return -1;
    if (r.offset >= r.size) return 0;
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, r.size - r.offset));
    std::memcpy(buffer, r.data + r.offset, n);
    r.offset += n;
    return static_cast<ssize_t>(n);
  }
  static ssize_t Write(intptr_t*, const std::uint8_t*, std::size_t, libbfio_error_t**) {
    return -1;
  }
  static off64_t Seek(intptr_t* h, off64_t offset, int whence, libbfio_error_t**) {
    TMemoryRange& r = *Of(h);
    off64_t base = 0;
    if (whence == SEEK_CUR)
      base = static_cast<off64_t>(r.offset);
    else if (whence == SEEK_END)
      base = static_cast<off64_t>(r.size);
    else if (whence != SEEK_SET)
      return -1;
    if (offset < 0 ? base < -offset : offset > INT64_MAX - base) return -1;
    r.offset = static_cast<std::uint64_t>(base + offset);
    return static_cast<off64_t>(r.offset);
  }
  static int Exists(intptr_t*, libbfio_error_t**) { return 1; }
  static int IsOpen(intptr_t* h, libbfio_error_t**) { return Of(h)->open ? 1 : 0; }
  static int GetSize(intptr_t* h, size64_t* size, libbfio_error_t**) {
    *size = Of(h)->size;
    return 1;
  }
};

int InitializeMemoryHandle(libbfio_handle_t** handle, const std::string& bytes,
                           libbfio_error_t** error) {
  auto* range = new TMemoryRange{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
  const int rc = libbfio_handle_initialize(
      handle, reinterpret_cast<intptr_t*>(range), TMemoryRange::Free, TMemoryRange::Clone,
      TMemoryRange::Open, TMemoryRange::Close, TMemoryRange::Read, TMemoryRange::Write,
      TMemoryRange::Seek, TMemoryRange::Exists, TMemoryRange::IsOpen, TMemoryRange::GetSize,
      LIBBFIO_FLAG_IO_HANDLE_MANAGED | LIBBFIO_FLAG_IO_HANDLE_CLONE_BY_FUNCTION, error);
  if (rc != 1) delete range;
  return rc;
}

}  // namespace

// One opened data file.
struct TPstStore {
  std::string path;
  std::shared_ptr<const std::string> bytes;
  libbfio_handle_t* handle = nullptr;
  libpff_file_t* file = nullptr;
  std::string name;
  std::uint32_t ipmSubtree = kDefaultIpmSubtree;
  // The message item that a folder looked at last, handed to GetMessage for the same entry
  // id so that the walk does not look every item up twice.
  std::uint32_t handoffId = 0;
  TItem handoff;

  TPstStore() = default;
  TPstStore(const TPstStore&) = delete;
  TPstStore& operator=(const TPstStore&) = delete;
  ~TPstStore() {
    handoff.Reset();
    if (file) {
      libpff_file_close(file, nullptr);
      libpff_file_free(&file, nullptr);
    }
    if (handle) libbfio_handle_free(&handle, nullptr);
  }

  // Opens the file and finds its display name and IPM subtree; throws with the reason.
  void Open() {
    libbfio_error_t* bfioError = nullptr;
    int rc = 0;
    if (bytes) {
      rc = InitializeMemoryHandle(&handle, *bytes, &bfioError);
    } else {
      rc = libbfio_file_initialize(&handle, &bfioError);
      if (rc == 1) rc = libbfio_file_set_name(handle, path.c_str(), path.size(), &bfioError);
    }
    if (bfioError) libbfio_error_free(&bfioError);
    if (rc != 1) throw EMailbox("cannot be read");

    TPffError error;
    if (libpff_file_initialize(&file, &error) != 1) throw EMailbox(error.Text());
    if (libpff_file_open_file_io_handle(file, handle, LIBPFF_OPEN_READ, &error) != 1) {
      libpff_file_free(&file, nullptr);
      file = nullptr;
      throw EMailbox("not an Outlook data file, or damaged (" + error.Text() + ")");
    }

    libpff_item_t* storeItem = nullptr;
    if (libpff_file_get_message_store(file, &storeItem, nullptr) == 1) {
      TItem store(storeItem);
      TRecordSet set;
      if (libpff_item_get_record_set_by_index(store.item, 0, &set.set, nullptr) == 1) {
        name = StringProperty(set.set, kDisplayName).value_or(std::string());
        if (auto entryId = BinaryProperty(set.set, kIpmSubtreeEntryId);
            entryId && entryId->size() >= kEntryIdMinSize)
          ipmSubtree = LoadLe32(entryId->data() + kEntryIdNodeOffset);
      }
    }
    TItem top = Item(ipmSubtree);
    if (!top.item) throw EMailbox("damaged: its folder tree cannot be found");
    std::uint8_t type = 0;
    if (libpff_item_get_type(top.item, &type, nullptr) != 1 || type != LIBPFF_ITEM_TYPE_FOLDER)
      throw EMailbox("damaged: its folder tree cannot be found");
  }

  // The item with that identifier; empty when there is none.
  TItem Item(std::uint32_t id) {
    libpff_item_t* item = nullptr;
    if (libpff_file_get_item_by_identifier(file, id, &item, nullptr) != 1) return TItem();
    return TItem(item);
  }
};

class TPstStores {
 public:
  explicit TPstStores(std::vector<TDataFile> files) : files_(std::move(files)) {}

  bool Known() const { return !files_.empty(); }

  // Opens every data file once; the ones that fail are remembered with their reason.
  void Open() {
    if (opened_) return;
    opened_ = true;
    for (const TDataFile& file : files_) {
      auto store = std::make_unique<TPstStore>();
      store->path = file.path;
      store->bytes = file.bytes;
      try {
        store->Open();
      } catch (const std::exception& e) {
        problems_.push_back(file.path + ": " + e.what());
        continue;
      }
      if (store->name.empty()) store->name = std::filesystem::path(file.path).stem().string();
      store->name = UniqueName(store->name);
      stores_.push_back(std::move(store));
    }
  }

  std::vector<std::unique_ptr<TPstStore>>& Stores() { return stores_; }
  const std::vector<std::string>& Problems() const { return problems_; }

  // The names of a folder's subfolders in their order (none for one that cannot be read),
  // kept once read: every folder path is followed by name from the top, and the files do
  // not change under an open session.
  using TNames = std::vector<std::optional<std::string>>;
  TNames* SubfolderNames(std::size_t store, std::uint32_t folder) {
    auto it = subfolderNames_.find({store, folder});
    return it == subfolderNames_.end() ? nullptr : &it->second;
  }
  TNames& KeepSubfolderNames(std::size_t store, std::uint32_t folder, TNames names) {
    return subfolderNames_[{store, folder}] = std::move(names);
  }

 private:
  std::string UniqueName(const std::string& name) const {
    auto taken = [this](const std::string& candidate) {
      return std::any_of(stores_.begin(), stores_.end(),
                         [&](const auto& s) { return s->name == candidate; });
    };
    if (!taken(name)) return name;
    for (int n = 2;; ++n) {
      std::string candidate = name + " (" + std::to_string(n) + ")";
      if (!taken(candidate)) return candidate;
    }
  }

  std::vector<TDataFile> files_;
  std::vector<std::unique_ptr<TPstStore>> stores_;
  std::vector<std::string> problems_;
  std::map<std::pair<std::size_t, std::uint32_t>, TNames> subfolderNames_;
  bool opened_ = false;
};

namespace {

// Entry ids name the store (its place among the opened files) and the item's node.
std::string EntryIdOf(std::size_t storeIndex, std::uint32_t id) {
  char hex[16];
  const auto end = std::to_chars(hex, hex + sizeof hex, id, 16).ptr;
  return std::to_string(storeIndex) + ':' + std::string(hex, end);
}

bool ParseEntryId(std::string_view text, std::size_t& storeIndex, std::uint32_t& id) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  const char* first = text.data();
  auto a = std::from_chars(first, first + colon, storeIndex);
  auto b = std::from_chars(first + colon + 1, first + text.size(), id, 16);
  return a.ec == std::errc() && a.ptr == first + colon && b.ec == std::errc() &&
         b.ptr == first + text.size();
}

class TPstMessage : public TMailMessage {
 public:
  // Holds the stores, so that the file stays open as long as one of its messages lives.
  TPstMessage(std::shared_ptr<TPstStores> stores, TItem item)
      : stores_(std::move(stores)), item_(std::move(item)) {}

  // The transport headers, an empty line and the plain-text body; the body alone when the
  // store kept no headers. A part that cannot be read is left out.
  std::string Text() override {
    std::string headers;
    {
      TRecordSet set;
      if (libpff_item_get_record_set_by_index(item_.item, 0, &set.set, nullptr) == 1)
        headers = StringProperty(set.set, kTransportHeaders).value_or(std::string());
    }
    std::string body;
    std::size_t size = 0;
    if (libpff_message_get_plain_text_body_size(item_.item, &size, nullptr) == 1 && size > 0) {
      body.resize(size);
      if (libpff_message_get_plain_text_body(
              item_.item, reinterpret_cast<std::uint8_t*>(body.data()), size, nullptr) == 1)
        body.resize(std::strlen(body.c_str()));
      else
        body.clear();
    }
    if (headers.empty()) return body;
    while (!headers.empty() && (headers.back() == '\r' || headers.back() == '\n'))
      headers.pop_back();
    return headers + "\r\n\r\n" + body;
  }

  TAddressEntry Sender() override {
    TRecordSet set;
    if (libpff_item_get_record_set_by_index(item_.item, 0, &set.set, nullptr) != 1)
      throw EMailbox("the message's properties cannot be read");
    TAddressEntry sender{FirstString(set.set, {kSenderSmtpAddress, kSenderEmailAddress}),
                         FirstString(set.set, {kSenderName})};
    if (sender.address.empty() && sender.name.empty())
      sender = {FirstString(set.set, {kSentRepresentingSmtpAddress, kSentRepresentingEmailAddress}),
                FirstString(set.set, {kSentRepresentingName})};
    return sender;
  }

  int RecipientCount() override {
    if (!recipientsLoaded_) {
      recipientsLoaded_ = true;
      libpff_item_t* recipients = nullptr;
      TPffError error;
      const int rc = libpff_message_get_recipients(item_.item, &recipients, &error);
      if (rc == -1) throw EMailbox("the recipients cannot be read: " + error.Text());
      if (rc == 1) recipients_ = TItem(recipients);
    }
    if (!recipients_.item) return 0;
    int count = 0;
    if (libpff_item_get_number_of_record_sets(recipients_.item, &count, nullptr) != 1)
      throw EMailbox("the recipients cannot be counted");
    return count;
  }

  TAddressEntry Recipient(int index) override {
    if (!recipients_.item) throw EMailbox("no recipients");
    TRecordSet set;
    if (libpff_item_get_record_set_by_index(recipients_.item, index - 1, &set.set, nullptr) != 1)
      throw EMailbox("the recipient cannot be read");
    return {FirstString(set.set, {kSmtpAddress, kEmailAddress}),
            FirstString(set.set, {kDisplayName, kRecipientDisplayName})};
  }

 private:
  std::shared_ptr<TPstStores> stores_;
  TItem item_;
  TItem recipients_;
  bool recipientsLoaded_ = false;
};

class TPstFolder : public TMailFolder {
 public:
  TPstFolder(std::shared_ptr<TPstStores> stores, std::size_t storeIndex, TItem item,
             std::vector<std::uint32_t> lineage)
      : stores_(std::move(stores)),
        storeIndex_(storeIndex),
        item_(std::move(item)),
        lineage_(std::move(lineage)) {}

  std::string Name() override { return FolderName(item_.item); }

  std::unique_ptr<TMailFolder> SubFolder(int index) override {
    int count = 0;
    if (libpff_folder_get_number_of_sub_folders(item_.item, &count, nullptr) != 1)
      throw EMailbox("the subfolders cannot be counted");
    if (index < 1 || index > count) throw EMailbox("no subfolder at that index");
    return Child(index - 1);
  }

  std::unique_ptr<TMailFolder> SubFolder(std::string_view name) override {
    TPstStores::TNames* names = stores_->SubfolderNames(storeIndex_, lineage_.back());
    if (!names) {
      int count = 0;
      if (libpff_folder_get_number_of_sub_folders(item_.item, &count, nullptr) != 1)
        throw EMailbox("the subfolders cannot be counted");
      TPstStores::TNames read(count);
      for (int i = 0; i < count; ++i) {
        libpff_item_t* sub = nullptr;
        if (libpff_folder_get_sub_folder(item_.item, i, &sub, nullptr) != 1) continue;
        TItem held(sub);
        try {
          read[i] = FolderName(held.item);
        } catch (const EMailbox&) {
          // A subfolder without a readable name is never found by name.
        }
      }
      names = &stores_->KeepSubfolderNames(storeIndex_, lineage_.back(), std::move(read));
    }
    for (std::size_t i = 0; i < names->size(); ++i)
      if ((*names)[i] && *(*names)[i] == name) return Child(static_cast<int>(i));
    throw EMailbox("no subfolder named " + std::string(name));
  }

  int ItemCount() override {
    int count = 0;
    if (libpff_folder_get_number_of_sub_messages(item_.item, &count, nullptr) != 1)
      throw EMailbox("the items cannot be counted");
    return count;
  }

  std::string ItemEntryId(int index) override {
    libpff_item_t* message = nullptr;
    if (libpff_folder_get_sub_message(item_.item, index - 1, &message, nullptr) != 1)
      throw EMailbox("the item cannot be read");
    TItem held(message);
    const std::uint32_t id = IdentifierOf(held.item);
    TPstStore& store = *stores_->Stores().at(storeIndex_);
    store.handoff = std::move(held);
    store.handoffId = id;
    return EntryIdOf(storeIndex_, id);
  }

 private:
  std::unique_ptr<TMailFolder> Child(int zeroBasedIndex) {
    libpff_item_t* sub = nullptr;
    if (libpff_folder_get_sub_folder(item_.item, zeroBasedIndex, &sub, nullptr) != 1)
      throw EMailbox("the subfolder cannot be read");
    TItem held(sub);
    const std::uint32_t id = IdentifierOf(held.item);
    // A damaged file can make a folder its own descendant; such a subfolder is refused
    // rather than walked for ever.
    if (std::find(lineage_.begin(), lineage_.end(), id) != lineage_.end())
      throw EMailbox("the folder tree loops");
    std::vector<std::uint32_t> lineage = lineage_;
    lineage.push_back(id);
    return std::make_unique<TPstFolder>(stores_, storeIndex_, std::move(held), std::move(lineage));
  }

  std::shared_ptr<TPstStores> stores_;
  std::size_t storeIndex_;
  TItem item_;
  std::vector<std::uint32_t> lineage_;
};

class TPstNamespace : public TMailNamespace {
 public:
  explicit TPstNamespace(std::shared_ptr<TPstStores> stores) : stores_(std::move(stores)) {}
  int FolderCount() override { return static_cast<int>(stores_->Stores().size()); }
  std::string FolderName(int index) override {
    auto& stores = stores_->Stores();
    if (index < 1 || index > static_cast<int>(stores.size()))
      throw EMailbox("no top-level folder at that index");
    return stores[index - 1]->name;
  }
  std::unique_ptr<TMailFolder> Folder(std::string_view name) override {
    auto& stores = stores_->Stores();
    for (std::size_t i = 0; i < stores.size(); ++i) {
      if (stores[i]->name != name) continue;
      TItem top = stores[i]->Item(stores[i]->ipmSubtree);
      if (!top.item) throw EMailbox("the folder tree of " + stores[i]->path + " cannot be read");
      const std::uint32_t id = stores[i]->ipmSubtree;
      return std::make_unique<TPstFolder>(stores_, i, std::move(top),
                                          std::vector<std::uint32_t>{id});
    }
    throw EMailbox("no top-level folder named " + std::string(name));
  }

 private:
  std::shared_ptr<TPstStores> stores_;
};

class TPstApplication : public TMailApplication {
 public:
  explicit TPstApplication(std::shared_ptr<TPstStores> stores) : stores_(std::move(stores)) {}
  std::unique_ptr<TMailNamespace> GetNameSpace(std::string_view name) override {
    if (name.size() != 4 || !std::equal(name.begin(), name.end(), "MAPI",
                                        [](char a, char b) { return (a & ~0x20) == b; }))
      throw EMailbox("no namespace named " + std::string(name));
    stores_->Open();
    return std::make_unique<TPstNamespace>(stores_);
  }

 private:
  std::shared_ptr<TPstStores> stores_;
};

class TPstSession : public TMailSession {
 public:
  explicit TPstSession(std::shared_ptr<TPstStores> stores) : stores_(std::move(stores)) {}

  void Logon() override {
    stores_->Open();
    if (stores_->Stores().empty()) {
      std::string reason = "no Outlook data file could be opened";
      for (const std::string& problem : stores_->Problems()) reason += "; " + problem;
      throw EMailbox(reason);
    }
  }

  void Logoff() override {}

  std::unique_ptr<TMailMessage> GetMessage(const std::string& entryId) override {
    std::size_t storeIndex = 0;
    std::uint32_t id = 0;
    auto& stores = stores_->Stores();
    if (!ParseEntryId(entryId, storeIndex, id) || storeIndex >= stores.size())
      throw EMailbox("not an entry id of this session: " + entryId);
    // The low five bits of a node id give its kind; only messages are fetched as such.
    const std::uint32_t kind = id & kNodeTypeMask;
    if (kind != kNodeTypeMessage && kind != kNodeTypeAssociatedMessage)
      throw EMailbox("the entry id " + entryId + " does not name a message");
    TPstStore& store = *stores[storeIndex];
    TItem item;
    if (store.handoff.item && store.handoffId == id) {
      item = std::move(store.handoff);
      store.handoffId = 0;
    } else {
      item = store.Item(id);
    }
    if (!item.item) throw EMailbox("no item with entry id " + entryId);
    return std::make_unique<TPstMessage>(stores_, std::move(item));
  }

 private:
  std::shared_ptr<TPstStores> stores_;
};

std::vector<TDataFile> FromPaths(const std::vector<std::string>& paths) {
  std::vector<TDataFile> files;
  for (const std::string& path : paths) files.push_back({path, nullptr});
  return files;
}

}  // namespace

TPstMailSystem::TPstMailSystem(const std::vector<std::string>& paths)
    : TPstMailSystem(FromPaths(paths)) {}

TPstMailSystem::TPstMailSystem(std::vector<TDataFile> files)
    : stores_(std::make_shared<TPstStores>(std::move(files))) {}

TPstMailSystem::~TPstMailSystem() = default;

std::unique_ptr<TMailSession> TPstMailSystem::CreateSession() {
  return std::make_unique<TPstSession>(stores_);
}

std::unique_ptr<TMailApplication> TPstMailSystem::CreateApplication() {
  if (!stores_->Known()) throw EMailbox("no Outlook data file is known");
  return std::make_unique<TPstApplication>(stores_);
}

std::vector<std::string> TPstMailSystem::Problems() const {
  return stores_->Problems();
}

}  // namespace tessaly::mailbox
