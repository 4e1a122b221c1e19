#pragma once
// A message service for tests: records every message and question and
// answers questions from a queue (No when the queue is empty).

#include <QList>
#include <QString>

#include "ui/message_service.h"

struct RecordedMessage {
  QString text;
  QString title;
  bool question = false;
};

class RecordingMessages : public ui::MessageService {
 public:
  void inform(QWidget*, const QString& text, const QString& title) override {
    log.append({text, title, false});
  }
  bool ask(QWidget*, const QString& text, const QString& title, bool) override {
    log.append({text, title, true});
    return answers.isEmpty() ? false : answers.takeFirst();
  }

  QList<RecordedMessage> log;
  QList<bool> answers;
};
