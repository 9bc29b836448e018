#include "Shared/AddressList.h"

#include <filesystem>

#include "harvest/Events.h"

namespace tessaly {

std::string_view TrimControls(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(begin, end - begin);
}

TAddressList::TAddressList(std::function<bool()> duplicatesAllowed)
    : duplicatesAllowed_(std::move(duplicatesAllowed)) {}

void TAddressList::FreeTable() {
  if (!table_) return;
  if (onTableReleased) onTableReleased();
  table_.reset();
}

bool TAddressList::CreateAddressTable(const std::string& folder, const std::string& name) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) return false;
  }
  FreeTable();
  // Another copy of the tool working in the same folder: its list must survive.
  if (!lock_.Acquire(folder)) return false;
  try {
    auto table = std::make_unique<TDBISAMTableVantor>();
    table->Close();
    table->TableName = name;
    table->DatabaseName = folder;
    table->ForceBufferFlush = false;
    table->CreateTable();
    table->Open();
    table->Close();
    table_ = std::move(table);
    return true;
  } catch (...) {
    table_.reset();
    return false;
  }
}

void TAddressList::oeAddress(void* /*Sender*/, std::string_view adEmail, std::string_view adName,
                             std::uint8_t Kind, int /*ndx*/) {
  try {
    if (TrimControls(adEmail).empty()) return;
    Store(adEmail, adName, FieldTagFor(Kind));
  } catch (...) {
    // One address never stops a source.
  }
}

void TAddressList::AddScannedAddress(std::string_view adEmail) {
  try {
    Store(adEmail, {}, {});
  } catch (...) {
  }
}

void TAddressList::Store(std::string_view email, std::string_view name, std::string_view tag) {
  TDBISAMTableVantor* table = table_.get();
  if (!table || !table->Active()) return;
  // One look-up on the e-mail index; the first report of an address wins.
  if (!duplicatesAllowed_() && table->EmailExists(email)) return;
  ++idCounter;
  try {
    table->AppendRecord(idCounter, email, name, tag);
  } catch (...) {
    // The report is lost and its id stays used; the run goes on.
    table->Cancel();
  }
}

}  // namespace tessaly
