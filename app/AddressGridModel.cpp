#include "AddressGridModel.h"

#include <QStringDecoder>
#include <algorithm>

using tessaly::TAddressRecord;

namespace {

const std::string& FieldOf(const TAddressRecord& r, int column) {
  switch (column) {
    case 0: return r.Email;
    case 1: return r.Name;
    default: return r.Field;
  }
}

// Letter case ignored, bytes otherwise compared as they are.
int CompareNoCase(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca += 32;
    if (cb >= 'A' && cb <= 'Z') cb += 32;
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

QString TAddressGridModel::Display(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  // Old stores wrote names in the Windows Western code page.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  text.resize(static_cast<qsizetype>(bytes.size()));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    text[static_cast<qsizetype>(i)] = QChar(c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c);
  }
  return text;
}

void TAddressGridModel::Attach(tessaly::TDBISAMTableVantor* table) {
  beginResetModel();
  table_ = table;
  liveRows_ = 0;
  pages_.clear();
  allRecords_ = false;
  rows_.clear();
  rows_.shrink_to_fit();
  order_.clear();
  order_.shrink_to_fit();
  sortColumn_ = -1;
  if (table_ && table_->Active()) {
    try {
      liveRows_ = static_cast<int>(table_->RecordCount());
    } catch (const tessaly::ETableError&) {
      liveRows_ = 0;
    }
  }
  endResetModel();
}

void TAddressGridModel::SortAllRecords(int column, Qt::SortOrder order) {
  beginResetModel();
  if (!allRecords_) {
    rows_.clear();
    try {
      if (table_) rows_ = table_->ReadAllInIdOrder();
    } catch (const tessaly::ETableError&) {
      rows_.clear();
    }
    allRecords_ = true;
    pages_.clear();
  }
  // Records stay where they are; only their order is sorted.
  order_.resize(rows_.size());
  for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<std::uint32_t>(i);
  // Rows that tie keep the list's own order: by address, then by id.
  std::sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) {
    const TAddressRecord& ra = rows_[a];
    const TAddressRecord& rb = rows_[b];
    int c = CompareNoCase(FieldOf(ra, column), FieldOf(rb, column));
    if (c != 0) return order == Qt::AscendingOrder ? c < 0 : c > 0;
    c = CompareNoCase(ra.Email, rb.Email);
    return c != 0 ? c < 0 : ra.id < rb.id;
  });
  sortColumn_ = column;
  sortOrder_ = order;
  endResetModel();
}

void TAddressGridModel::LeaveAllRecordsMode() {
  if (!allRecords_) return;
  Attach(table_);
}

int TAddressGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return allRecords_ ? static_cast<int>(order_.size()) : liveRows_;
}

int TAddressGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

const TAddressRecord* TAddressGridModel::RowAt(int row) const {
  if (allRecords_) return row >= 0 && row < static_cast<int>(order_.size()) ? &rows_[order_[row]] : nullptr;
  if (!table_ || row < 0 || row >= liveRows_) return nullptr;
  const int start = row - row % kPageSize;
  auto hit = std::find_if(pages_.begin(), pages_.end(), [&](const Page& p) { return p.start == start; });
  if (hit == pages_.end()) {
    Page page{start, {}};
    try {
      page.rows = table_->ReadPage(start, kPageSize);
    } catch (const tessaly::ETableError&) {
      return nullptr;
    }
    if (pages_.size() >= kPagesKept) pages_.pop_back();
    pages_.insert(pages_.begin(), std::move(page));
    hit = pages_.begin();
  } else if (hit != pages_.begin()) {
    std::rotate(pages_.begin(), hit, hit + 1);
    hit = pages_.begin();
  }
  const std::size_t at = static_cast<std::size_t>(row - start);
  return at < hit->rows.size() ? &hit->rows[at] : nullptr;
}

QVariant TAddressGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  const TAddressRecord* r = RowAt(index.row());
  return r ? QVariant(Display(FieldOf(*r, index.column()))) : QVariant();
}

QVariant TAddressGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[] = {"Email", "Name", "Field"};
  return section >= 0 && section < 3 ? QVariant(QString::fromLatin1(kTitles[section])) : QVariant();
}
