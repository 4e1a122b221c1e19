#pragma once
// The full-text search: lists in the main window every memo whose title,
// picture titles or body contain the keyword.

#include <QDialog>

#include "store/diary/app_state.h"
#include "ui/main_window_host.h"

class QLabel;
class QLineEdit;
class QPushButton;
namespace store {
class SearchRun;
}

class F_zenbun : public QDialog {
  Q_OBJECT

 public:
  F_zenbun(store::AppState& state, ui::MainWindowHost& main);
  ~F_zenbun() override;

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Text1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;

  // While a search runs, the window goes back to the event loop at about
  // this interval (milliseconds) to repaint and take clicks, rather than
  // after every memo. The files are read by worker threads, so a slow disk
  // makes the window wait for them in steps no longer than this.
  int yield_interval_ms = 10;

  bool searching() const { return running_ != 0; }

 public Q_SLOTS:
  void Command1_Click();
  void Command2_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void stop();
  QString idle_caption() const;

  store::AppState& state_;
  ui::MainWindowHost& main_;
  // Every search started gets a new number; a running search ends as soon
  // as it sees that another one has started or the window is closing.
  int generation_ = 0;
  int running_ = 0;
  // Searches started, so that one taken over by a newer one knows it.
  int searches_ = 0;
  // The workers of the newest search, stopped when another search starts
  // or the window closes.
  store::SearchRun* active_ = nullptr;
};
