#pragma once
// The rows of the main window's memo list: one header row (the view's
// header), the memo rows, and one blank row that always stays last.

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

#include "store/memo_index.h"

class MemoListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumns = 5;
  static constexpr int kMemoNoColumn = 4;
  using Row = std::array<QString, kColumns>;

  explicit MemoListModel(QObject* parent = nullptr);

  // Replaces every memo row at once.
  void set_rows(std::vector<Row> rows);
  // Adds one memo row above the blank row.
  void append_row(Row row);
  static Row row_of(const store::MemoRecord& record);

  int memo_rows() const { return static_cast<int>(rows_.size()); }
  // The cell text of a memo row (0-based model row); "" for the blank row.
  QString cell(int row, int column) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  std::vector<Row> rows_;
};
