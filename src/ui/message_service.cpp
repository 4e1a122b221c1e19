#include "ui/message_service.h"

#include <QMessageBox>

namespace ui {

void QtMessageService::inform(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
  box.exec();
}

bool QtMessageService::ask(QWidget* parent, const QString& text, const QString& title, bool default_yes) {
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(default_yes ? QMessageBox::Yes : QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace ui
