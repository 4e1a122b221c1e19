#include "ui/hint_filter.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace ui {

HintFilter::HintFilter(std::function<void(const QString&)> show, QObject* parent)
    : QObject(parent), show_(std::move(show)) {}

void HintFilter::add(QWidget* w, const QString& text, std::function<void()> also, bool bare_surface_only) {
  w->setMouseTracking(true);
  w->installEventFilter(this);
  hints_[w] = {text, std::move(also), bare_surface_only};
}

bool HintFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseMove) return false;
  const auto found = hints_.find(watched);
  if (found == hints_.end()) return false;
  const Hint& hint = found->second;
  if (hint.bare_surface_only &&
      static_cast<QWidget*>(watched)->childAt(static_cast<QMouseEvent*>(event)->position().toPoint()) != nullptr) {
    return false;
  }
  show_(hint.text);
  if (hint.also) hint.also();
  return false;
}

}  // namespace ui
