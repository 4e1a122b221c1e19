#pragma once
// The restored diary started from the restore's offer opens its main
// window a little right of and below the running one, so that the two
// windows (same caption, same size) are told apart at once. The running
// program passes the place on the command line; the started copy moves its
// window there once, before it is shown. flower.ini is written as always,
// with wherever the window is when the program ends.

#include <QPoint>
#include <QStringList>
#include <optional>

namespace restored_copy {

// How far right and down of the running window the copy opens.
inline constexpr int kOffset = 48;

// The arguments that start the copy with its window's top-left at `at`.
QStringList arguments_for(const QPoint& at);

// The place given by such arguments, if any (a malformed one is ignored).
std::optional<QPoint> position_in(const QStringList& arguments);

}  // namespace restored_copy
