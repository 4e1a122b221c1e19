#pragma once
// What a screen reader finds in the album's painted grid: a table whose
// children are the months that hold pictures ("2025年5月"), each with its
// pictures as children, named by date and title ("2025年5月3日 満開"); the
// picture the keyboard stands on is focused and selected, and moving it
// tells the screen reader so.

#include "store/seasons/season_album.h"

class QAccessibleInterface;

namespace seasons {

class AlbumGrid;

// Installs the grid's accessible interface with Qt (once per program).
void install_album_accessibility();

// The name a screen reader gives a picture.
QString accessible_picture_name(const store::AlbumPicture& picture);

// Tells a screen reader that the grid's current picture changed (focus and
// selection events on it). Nothing happens while no screen reader listens.
void announce_current_picture(AlbumGrid* grid);

}  // namespace seasons
