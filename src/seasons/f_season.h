#pragma once
// "この時期の記録": the memos of earlier years dated within ten days of
// today's month and day, newest year first, each with its date, location,
// variety, title and first picture. A click on a row shows that memo in the
// main window. Changes no file of the data directory.

#include <QAbstractTableModel>
#include <QDate>
#include <QFutureWatcher>
#include <QTableView>
#include <QWidget>
#include <vector>

#include "seasons/season_host.h"

class QLabel;

namespace seasons {

class ThumbnailLoader;

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

class F_season : public QWidget {
  Q_OBJECT

 public:
  F_season(SeasonHost& host, ThumbnailLoader& loader, QDate today, QWidget* parent);
  ~F_season() override;

  // Lists the memos again (for today's date).
  void list_memos();
  const SeasonModel& model() const { return model_; }
  bool busy() const { return watcher_.isRunning(); }

  QLabel* Label1 = nullptr;
  QTableView* Grid1 = nullptr;

 private:
  void Grid1_Click(const QModelIndex& index);

  SeasonHost& host_;
  ThumbnailLoader& loader_;
  QDate today_;
  SeasonModel model_;
  QFutureWatcher<QStringList> watcher_;
};

}  // namespace seasons
