#pragma once
// The confirmation for deleting the memo of the main list's current row.

#include <QDialog>

#include "store/diary/app_state.h"
#include "ui/main_window_host.h"
#include "ui/message_service.h"

class QLabel;
class QPushButton;

class F_sakujo : public QDialog {
  Q_OBJECT

 public:
  F_sakujo(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main);

  QLabel* Label2 = nullptr;
  QLabel* Label1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;

 public Q_SLOTS:
  void Command1_Click();
  void Command2_Click();

 private:
  store::AppState& state_;
  ui::MessageService& messages_;
  ui::MainWindowHost& main_;
};
