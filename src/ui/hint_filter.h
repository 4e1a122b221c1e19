#pragma once
// Hints: moving the mouse over a control writes one line about it into the
// main window's hint box. One filter serves a window's controls.

#include <QObject>
#include <QString>
#include <functional>
#include <map>

class QWidget;

namespace ui {

class HintFilter : public QObject {
  Q_OBJECT

 public:
  // `show` writes a hint into the hint box.
  HintFilter(std::function<void(const QString&)> show, QObject* parent);

  // A mouse move over `w` shows `text`, then runs `also` (when given).
  // When `bare_surface_only`, a move counts only where no child control of
  // `w` lies: the moves a control passes on to its window do not.
  void add(QWidget* w, const QString& text, std::function<void()> also = {}, bool bare_surface_only = false);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Hint {
    QString text;
    std::function<void()> also;
    bool bare_surface_only = false;
  };
  std::function<void(const QString&)> show_;
  std::map<QObject*, Hint> hints_;
};

}  // namespace ui
