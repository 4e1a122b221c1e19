#pragma once
// The data work of shut-down: writing flower.ini and the three index files
// from memory.

#include <QStringList>

#include "store/diary/app_state.h"

namespace store {

// Writes flower.ini, flower.dat, basyo.dat and hinsyu.dat, after taking in
// what a sync tool changed on disk; a file whose bytes would not change is
// left alone. flower.ini's highest number is the larger of this machine's
// and the one on disk. Returns one message per file that could not be
// written or read (empty when all went well). Every file is attempted even
// after a failure; each one is either fully replaced or left as it was.
QStringList shut_down_data(AppState& state);

}  // namespace store
