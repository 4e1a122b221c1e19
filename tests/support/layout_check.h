#pragma once
// Whether a window is laid out whole: every shown control inside the
// window, none overlapping another, each at least the size its content
// needs. Labels may be allowed to be narrower (they wrap or elide).

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QString>
#include <QWidget>

namespace testing_support {

// "" when the window is laid out whole; otherwise what is wrong, by the
// controls' object names.
inline QString layout_fault(QWidget* w, bool labels_may_narrow = false) {
  const QList<QWidget*> controls = w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  for (QWidget* a : controls) {
    if (!a->isVisible()) continue;
    if (!w->rect().contains(a->geometry())) return a->objectName() + QStringLiteral(" lies outside the window");
    const bool narrow_ok = labels_may_narrow && qobject_cast<QLabel*>(a);
    if ((a->width() < a->minimumSizeHint().width() && !narrow_ok) || a->height() < a->minimumSizeHint().height())
      return a->objectName() + QStringLiteral(" is smaller than its content");
    for (QWidget* b : controls) {
      if (a != b && b->isVisible() && a->geometry().intersects(b->geometry()))
        return a->objectName() + QStringLiteral(" overlaps ") + b->objectName();
    }
  }
  return QString();
}

// The application's font at `points` (0: left as it is) while it lives.
class ScopedAppFont {
 public:
  explicit ScopedAppFont(int points) : before_(QApplication::font()) {
    if (points > 0) QApplication::setFont(QFont(before_.family(), points));
  }
  ~ScopedAppFont() { QApplication::setFont(before_); }
  ScopedAppFont(const ScopedAppFont&) = delete;
  ScopedAppFont& operator=(const ScopedAppFont&) = delete;

 private:
  QFont before_;
};

}  // namespace testing_support
