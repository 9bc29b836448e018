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
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void TAddressGridModel::Attach(tessaly::TDBISAMTableVantor* table) {
  beginResetModel();
  table_ = table;
  ids_.clear();
  page_.clear();
  pageStart_ = -1;
  allRecords_ = false;
  rows_.clear();
  sortColumn_ = -1;
  if (table_ && table_->Active()) {
    try {
      ids_ = table_->IdsInIndexOrder();
    } catch (const tessaly::ETableError&) {
      ids_.clear();
    }
  }
  endResetModel();
}

void TAddressGridModel::SortAllRecords(int column, Qt::SortOrder order) {
  beginResetModel();
  if (!allRecords_) {
    rows_.clear();
    rows_.reserve(ids_.size());
    TAddressRecord r;
    for (std::int32_t id : ids_)
      if (table_ && table_->ReadById(id, r)) rows_.push_back(r);
    allRecords_ = true;
    page_.clear();
    pageStart_ = -1;
  }
  std::stable_sort(rows_.begin(), rows_.end(), [&](const TAddressRecord& a, const TAddressRecord& b) {
    const int c = CompareNoCase(FieldOf(a, column), FieldOf(b, column));
    return order == Qt::AscendingOrder ? c < 0 : c > 0;
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
  return static_cast<int>(allRecords_ ? rows_.size() : ids_.size());
}

int TAddressGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

const TAddressRecord* TAddressGridModel::RowAt(int row) const {
  if (allRecords_) return row < static_cast<int>(rows_.size()) ? &rows_[row] : nullptr;
  if (!table_ || row >= static_cast<int>(ids_.size())) return nullptr;
  const int start = row - row % kPageSize;
  if (start != pageStart_) {
    page_.clear();
    const int end = std::min<int>(start + kPageSize, static_cast<int>(ids_.size()));
    TAddressRecord r;
    try {
      for (int i = start; i < end; ++i) {
        if (!table_->ReadById(ids_[i], r)) r = TAddressRecord{};
        page_.push_back(r);
      }
    } catch (const tessaly::ETableError&) {
      page_.clear();
      return nullptr;
    }
    pageStart_ = start;
  }
  const std::size_t at = static_cast<std::size_t>(row - pageStart_);
  return at < page_.size() ? &page_[at] : nullptr;
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
