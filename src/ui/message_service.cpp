#include "ui/message_service.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace ui {

namespace {

// The buttons say what they do in Japanese whether or not Qt's own
// translations are installed.
void label(QMessageBox& box, QMessageBox::StandardButton which, const QString& text) {
  if (QAbstractButton* button = box.button(which)) button->setText(text);
}

}  // namespace

void QtMessageService::inform(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
  label(box, QMessageBox::Ok, QStringLiteral("OK"));
  box.exec();
}

bool QtMessageService::ask(QWidget* parent, const QString& text, const QString& title, bool default_yes) {
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
  label(box, QMessageBox::Yes, QStringLiteral("はい(&Y)"));
  label(box, QMessageBox::No, QStringLiteral("いいえ(&N)"));
  box.setDefaultButton(default_yes ? QMessageBox::Yes : QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace ui
