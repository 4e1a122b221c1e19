#pragma once
// The Japanese font the pages are set in. Font names differ with the
// desktop's language (fontconfig lists IPA Gothic as 「IPAゴシック」 under a
// Japanese locale and as "IPAGothic" elsewhere), so a family is found by
// either name, and failing those by the writing systems it covers.

#include <QFont>
#include <QString>
#include <vector>

namespace printing {

// A family as the font database lists it.
struct FontCandidate {
  QString family;
  bool japanese = false;     // covers the Japanese writing system
  bool fixed_pitch = false;  // every glyph of one width (a typewriter face)
};

// The family to set the pages in: IPA Gothic, IPAex Gothic, Noto Sans CJK
// JP or Noto Sans JP under any of their names, else the first proportional
// family that covers Japanese, else the first fixed-pitch one; "" when no
// family covers Japanese.
QString choose_page_family(const std::vector<FontCandidate>& installed);

// That choice among the fonts of this machine, made once.
QString page_family();

// The page font at `point_size`. Without a Japanese family it is the
// default font (never a font without a family, which a print preview
// cannot record).
QFont page_font(double point_size);

// What to tell the user when no installed font covers Japanese.
QString missing_font_message();

}  // namespace printing
