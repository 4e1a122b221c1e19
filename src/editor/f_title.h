#pragma once
// Changing the title of one picture of the memo being edited: a small
// dialog that the editor opens on a double click in its picture list.

#include <QDialog>

#include "ui/message_service.h"

class QLabel;
class QLineEdit;
class QPushButton;

class F_title : public QDialog {
  Q_OBJECT

 public:
  // `title` is the picture's title now; `path` its file, shown for reference.
  F_title(const QString& title, const QString& path, ui::MessageService& messages, QWidget* parent);

  // The new title, as one line.
  QString title() const;

 public Q_SLOTS:
  void Command1_Click();  // 中止
  void Command2_Click();  // 変更

 private:
  ui::MessageService& messages_;

 public:
  // Controls.
  QLabel* Label1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
};
