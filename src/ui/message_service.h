#pragma once
// Every message box and question of the program goes through this service,
// so that tests can record them and answer questions from a script.

#include <QString>

class QWidget;

namespace ui {

class MessageService {
 public:
  virtual ~MessageService() = default;
  // A message with an OK button.
  virtual void inform(QWidget* parent, const QString& text, const QString& title) = 0;
  // A question with Yes and No buttons; true for Yes.
  virtual bool ask(QWidget* parent, const QString& text, const QString& title, bool default_yes) = 0;
};

// Shows real QMessageBoxes.
class QtMessageService : public MessageService {
 public:
  void inform(QWidget* parent, const QString& text, const QString& title) override;
  bool ask(QWidget* parent, const QString& text, const QString& title, bool default_yes) override;
};

}  // namespace ui
