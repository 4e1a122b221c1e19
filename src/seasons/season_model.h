#pragma once
// The rows of "この時期の記録": one memo each, with the first picture read
// later, as a table model of five columns (the picture, then the date,
// location, variety and title).

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

namespace seasons {

struct SeasonRow {
  QString memo_no;
  QString date;
  QString location;
  QString variety;
  QString title;
  QString first_picture;  // "" until read, and for a memo without pictures
};

class SeasonModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Picture, Date, Location, Variety, Title, kColumns };

  using QAbstractTableModel::QAbstractTableModel;
  void set_rows(std::vector<SeasonRow> rows);
  void set_first_pictures(const QStringList& paths);
  const std::vector<SeasonRow>& rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<SeasonRow> rows_;
};

}  // namespace seasons
