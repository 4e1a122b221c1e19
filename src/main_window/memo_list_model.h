#pragma once
// The rows of the main window's memo list: one header row (the view's
// header), the memo rows, and one blank row that always stays last.
//
// A memo row holds only the memo_table slot it shows; its cells are read
// from the table when they are drawn. Whoever changes memo_table rebuilds
// the rows right after (refresh_memo_list, reset_memo_list), so the list
// never holds tens of thousands of copied texts.

#include <QAbstractTableModel>
#include <QString>
#include <vector>

#include "store/diary/memo_index.h"

class MemoListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumns = 5;
  static constexpr int kMemoNoColumn = 4;

  explicit MemoListModel(const store::MemoTable& table, QObject* parent = nullptr);

  // Replaces every memo row at once; `slots` are 1-based memo_table slots.
  void set_slots(std::vector<int> slots);
  // Adds one memo row above the blank row.
  void append_slot(int slot);

  int memo_rows() const { return static_cast<int>(slots_.size()); }
  const std::vector<int>& listed_slots() const { return slots_; }
  // The 0-based row showing the slot, or -1 when it is not listed.
  int row_of_slot(int slot) const;
  // The cell text of a memo row (0-based model row); "" for the blank row.
  QString cell(int row, int column) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  const store::MemoTable& table_;
  std::vector<int> slots_;
};
