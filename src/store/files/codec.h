#pragma once
// Conversion between the text held in memory (QString) and the bytes of the
// data files: windows-31j (code page 932), every line ended by CR LF.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace store {

// Decodes windows-31j bytes. A byte that is not valid windows-31j becomes a
// private-use character that encodes back to the same byte, so a damaged
// file is never altered by reading and rewriting it. Decoding never fails.
QString decode_cp932(QByteArrayView bytes);
inline QString decode_cp932(const QByteArray& bytes) { return decode_cp932(QByteArrayView(bytes)); }

// Every byte sequence that decodes to the text: the bytes Windows writes
// and, for the few characters that also have an NEC or IBM duplicate pair,
// each combination with those. Empty when the text cannot be stored, or
// when there would be more than `limit` of them (*too_many is then set).
QList<QByteArray> cp932_spellings(const QString& text, qsizetype limit, bool* too_many);

// Encodes text as windows-31j, choosing the bytes Windows writes where
// several mean the same character. Characters the code page cannot hold
// become "?" in the result and make *ok false (when ok is given), so
// callers can refuse or warn before anything is written.
QByteArray encode_cp932(const QString& text, bool* ok = nullptr);

// True when every character of the text can be stored in windows-31j.
bool representable_in_cp932(const QString& text);

// Splits file bytes into lines. A line ends at CR LF or at a bare LF; a
// final line without a line end still counts. Empty input gives no lines.
QStringList split_lines(const QString& text);

// Joins lines, each followed by CR LF (the last one too).
QByteArray join_lines_cp932(const QStringList& lines, bool* ok = nullptr);

}  // namespace store
