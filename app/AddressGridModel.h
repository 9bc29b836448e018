// The address grid's model. Live mode reads the table in its index order, a page at a
// time, so a million rows scroll without being loaded; all-records mode holds every row in
// memory and sorts there, leaving the table's own order alone.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "Shared/DBISAMTableVantor.h"

class TAddressGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TAddressGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // The data source: a table to follow, or none. Detached, the grid shows nothing.
  void Attach(tessaly::TDBISAMTableVantor* table);
  void Detach() { Attach(nullptr); }
  tessaly::TDBISAMTableVantor* Table() const { return table_; }

  bool AllRecordsMode() const { return allRecords_; }
  // Loads every row and sorts by the column (ascending or descending).
  void SortAllRecords(int column, Qt::SortOrder order);
  // Back to reading the table live (every run starts this way).
  void LeaveAllRecordsMode();
  int SortedColumn() const { return sortColumn_; }
  Qt::SortOrder SortOrder() const { return sortOrder_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Bytes of the table as the grid shows them: UTF-8 when they are that, else Windows-1252.
  static QString Display(const std::string& bytes);

 private:
  const tessaly::TAddressRecord* RowAt(int row) const;

  tessaly::TDBISAMTableVantor* table_ = nullptr;
  int liveRows_ = 0;
  static constexpr int kPageSize = 256;
  static constexpr std::size_t kPagesKept = 8;
  struct Page {
    int start;
    std::vector<tessaly::TAddressRecord> rows;
  };
  // The pages read last, newest first.
  mutable std::vector<Page> pages_;

  bool allRecords_ = false;
  std::vector<tessaly::TAddressRecord> rows_;
  std::vector<std::uint32_t> order_;  // rows_ positions in the sorted order
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};
