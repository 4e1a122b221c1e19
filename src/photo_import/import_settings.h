#pragma once
// What the import window keeps in verdalis.ini between runs: the folder
// chosen last, where the folder chooser opens next time, and the window's
// size.

#include <QSize>
#include <QString>
#include <optional>

namespace store {
class OwnSettings;
}

namespace photo_import {

// Where the folder chooser opens: the folder chosen last; when it is gone
// (a card taken out), the nearest folder above it that is still there;
// else, and when none was kept, `home`.
QString start_folder(const store::OwnSettings& settings, const QString& home);

// The window's size as it was last closed; nothing when none was kept or
// the text kept is not a size.
std::optional<QSize> kept_size(const store::OwnSettings& settings);

// Keeps the folder chosen and the window's size, and writes the file. The
// message of a failure comes back the first time in a row only (the window
// is closed often); empty otherwise.
QString keep_import_place(store::OwnSettings& settings, const QString& folder, QSize size);

}  // namespace photo_import
