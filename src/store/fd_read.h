#pragma once
// Reading a whole open file into a buffer that is used again from file to
// file, for the loops that read thousands of small memo files.

#include <QtGlobal>
#include <vector>

namespace store {

// Reads the open file to its end into `buffer`, growing it as needed, and
// returns the number of bytes read, or -1 on a read error. `known_size`,
// when not negative, is the size fstat gave: the buffer gets room for one
// byte more, so that one read usually gets the whole file, and a short
// read at that size ends it.
qint64 read_to_end(int fd, std::vector<char>& buffer, qint64 known_size = -1);

}  // namespace store
