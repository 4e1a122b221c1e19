#pragma once
// A file size as the windows show it.

#include <QString>

namespace store {

// "1.2 GB", "340 KB".
QString size_text(qint64 bytes);

}  // namespace store
