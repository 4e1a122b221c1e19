#pragma once
// 「同期の競合の取り込み」: tells the user that the sync tool made conflict
// copies of the data files and that Verdalis merged them back, lists the
// memos the merge brought in, and shows any of them in the main window. It
// stays open beside the main window; a later merge adds its memos to it.

#include <QDialog>
#include <QStringList>
#include <vector>

#include "store/sync/disk_sync.h"
#include "ui/main_window_host.h"
#include "ui/message_service.h"

class QLabel;
class QPushButton;
class QTableWidget;

class F_douki : public QDialog {
  Q_OBJECT

 public:
  F_douki(ui::MainWindowHost& main, ui::MessageService& messages, const QString& data_dir, QWidget* parent);

  // Adds what one look at the folder merged.
  void add(const store::DiskSync& sync);

  // The text of the kind column for a merged memo.
  static QString kind_text(const store::MergedMemo& memo);

  // The memos listed, in row order.
  const std::vector<store::MergedMemo>& memos() const { return memos_; }

  QLabel* Label1 = nullptr;        // what happened, and where the copies went
  QTableWidget* Grid1 = nullptr;   // the memos merged
  QLabel* Label2 = nullptr;        // warnings
  QPushButton* Command1 = nullptr;  // 表示
  QPushButton* Command2 = nullptr;  // 閉じる

 private:
  void build_controls();
  void update_texts();
  // Shows the memo of the selected row in the main window.
  void Command1_Click();

  ui::MainWindowHost& main_;
  ui::MessageService& messages_;
  QString data_dir_;
  std::vector<store::MergedMemo> memos_;
  QStringList folders_;   // where the copies were moved, as shown
  QStringList copies_;    // the copies merged, as shown
  QStringList warnings_;
};
