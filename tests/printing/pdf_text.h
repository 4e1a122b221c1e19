#pragma once
// Reading a PDF back as its text, and the memos the printing tests lay out.

#include <QProcess>
#include <QString>
#include <QStringList>

#include "printing/print_layout.h"

namespace print_testing {

// The standard output of a program, or "<program failed>".
inline QString run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return QStringLiteral("<%1 failed>").arg(program);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of the PDF as pdftotext reads it (lines broken where the page
// breaks them).
inline QString pdf_text(const QString& path) {
  return run(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
}

inline printing::MemoPlan plan(const QString& title, const QString& body) {
  return {QStringLiteral("2026/05/03　花壇　バラ"), title, body, {}};
}

}  // namespace print_testing
