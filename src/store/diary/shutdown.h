#pragma once
// The data work of shut-down: writing flower.ini and the three index files
// from memory.

#include <QStringList>

#include "store/diary/app_state.h"

namespace store {

// Writes flower.ini, flower.dat, basyo.dat and hinsyu.dat. Returns one
// message per file that could not be written (empty when all were written).
// Every file is attempted even after a failure; each one is either fully
// replaced or left as it was.
QStringList shut_down_data(const AppState& state);

}  // namespace store
