#pragma once
// "この時期の記録": the memos of earlier years dated within ten days of
// today's month and day, newest year first, each with its date, location,
// variety, title and first picture. A click on a row shows that memo in the
// main window. Changes no file of the data directory.

#include <QDate>
#include <QTableView>
#include <QWidget>
#include <vector>

#include "seasons/season_model.h"
#include "store/diary/app_state.h"
#include "ui/background_job.h"
#include "ui/main_window_host.h"

class QLabel;
class QPushButton;

namespace seasons {

class ThumbnailLoader;

class F_season : public QWidget {
  Q_OBJECT

 public:
  F_season(store::AppState& state, ui::MainWindowHost& main, ThumbnailLoader& loader, QDate today, QWidget* parent);
  ~F_season() override;

  // Lists the memos again (for today's date).
  void list_memos();
  const SeasonModel& model() const { return model_; }
  bool busy() const { return reader_.running(); }

  QLabel* Label1 = nullptr;
  QPushButton* Command1 = nullptr;  // 閉じる; Esc closes too
  QTableView* Grid1 = nullptr;

 private:
  void Grid1_Click(const QModelIndex& index);
  void fit_columns();

  store::AppState& state_;
  ui::MainWindowHost& main_;
  ThumbnailLoader& loader_;
  QDate today_;
  SeasonModel model_;
  bool listing_ = false;  // rows being put in place: no memo is shown
  // Reads the first picture of each listed memo beside the interface thread.
  ui::BackgroundJob reader_{0};
  QStringList first_pictures_;
};

}  // namespace seasons
