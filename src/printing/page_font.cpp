#include "printing/page_font.h"

#include <QFontDatabase>
#include <QList>
#include <QStringList>
#include <array>

namespace printing {

namespace {

// The families the pages are meant for, best first, each under its
// English and its Japanese name.
struct KnownFamily {
  const char* english;
  const char* japanese;
};
constexpr std::array<KnownFamily, 4> kPreferred{{
    {"IPAGothic", "IPAゴシック"},
    {"IPAexGothic", "IPAexゴシック"},
    {"Noto Sans CJK JP", "Noto Sans CJK JP"},
    {"Noto Sans JP", "Noto Sans JP"},
}};

}  // namespace

QString choose_page_family(const std::vector<FontCandidate>& installed) {
  for (const KnownFamily& known : kPreferred) {
    const QString english = QString::fromUtf8(known.english);
    const QString japanese = QString::fromUtf8(known.japanese);
    for (const FontCandidate& c : installed) {
      if (c.japanese && (c.family == english || c.family == japanese)) return c.family;
    }
  }
  for (const bool fixed : {false, true}) {
    for (const FontCandidate& c : installed) {
      if (c.japanese && c.fixed_pitch == fixed) return c.family;
    }
  }
  return {};
}

QString page_family() {
  static const QString family = [] {
    std::vector<FontCandidate> installed;
    for (const QString& family : QFontDatabase::families()) {
      if (QFontDatabase::isPrivateFamily(family)) continue;
      installed.push_back({family, QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese),
                           QFontDatabase::isFixedPitch(family)});
    }
    return choose_page_family(installed);
  }();
  return family;
}

QFont page_font(double point_size) {
  const QString family = page_family();
  QFont font = family.isEmpty() ? QFont() : QFont(family);
  font.setPointSizeF(point_size);
  return font;
}

QString missing_font_message() {
  return QStringLiteral(
      "日本語を表示できるフォントが見つからないため、印刷・PDFを使えません。\n"
      "IPAゴシック (fonts-ipafont-gothic) か Noto Sans CJK JP (fonts-noto-cjk) を入れてから、"
      "もう一度開いてください。");
}

}  // namespace printing
