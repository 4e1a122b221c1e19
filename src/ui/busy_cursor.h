#pragma once
// The hourglass while the interface thread is busy (a picture decoded, a
// search started): set for as long as the guard lives.

#include <QGuiApplication>

namespace ui {

class BusyCursor {
 public:
  BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace ui
