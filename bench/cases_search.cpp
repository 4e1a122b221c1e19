// The full-text search cases: the search window over every memo, timed in
// turns with grep and ripgrep over the same memo files; the folded search
// against ripgrep; and marking the hits in a long body.

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <functional>
#include <vector>

#include "cases.h"
#include "main_window/main_form.h"
#include "search/f_zenbun.h"
#include "store/diary/memo_files.h"
#include "store/files/codec.h"
#include "store/files/text_file.h"
#include "store/search/keyword_match.h"
#include "support.h"

namespace bench {

namespace {

volatile qint64 sink = 0;


// Runs a search program in the data directory and returns the number of
// files it lists.
int run_lister(const QString& data_dir, const QString& program, const QStringList& arguments) {
  QProcess p;
  p.setWorkingDirectory(data_dir);
  p.start(program, arguments);
  p.waitForFinished(-1);
  return static_cast<int>(p.readAllStandardOutput().count('\n'));
}

// grep -r -l -i -F over memo/. The keyword goes in a pattern file in
// windows-31j, as the files hold it (an argument would pass through the
// locale's encoding).
int run_grep(const QString& data_dir, const QString& keyword) {
  const QString pattern = data_dir + QStringLiteral("../grep-pattern.txt");
  if (QFile f(pattern); f.open(QIODevice::WriteOnly)) f.write(store::encode_cp932(keyword) + '\n');
  return run_lister(data_dir, QStringLiteral("grep"),
                    {QStringLiteral("-r"), QStringLiteral("-l"), QStringLiteral("-i"), QStringLiteral("-F"),
                     QStringLiteral("-f"), pattern, QStringLiteral("memo/")});
}

// rg -l -i over memo/, the keyword's windows-31j bytes as a byte pattern.
QString rg_pattern(const QString& keyword) {
  QString pattern = QStringLiteral("(?-u)");
  for (const char b : store::encode_cp932(keyword))
    pattern += QStringLiteral("\\x%1").arg(static_cast<unsigned char>(b), 2, 16, QLatin1Char('0'));
  return pattern;
}

int run_rg(const QString& data_dir, const QString& keyword) {
  return run_lister(data_dir, QStringLiteral("rg"),
                    {QStringLiteral("--no-config"), QStringLiteral("-uu"), QStringLiteral("-l"), QStringLiteral("-i"),
                     QStringLiteral("-e"), rg_pattern(keyword), QStringLiteral("memo/")});
}

bool have_rg() { return !QStandardPaths::findExecutable(QStringLiteral("rg")).isEmpty(); }

}  // namespace

Result bench_search(const QString& dir, const SearchCase& c, int reps) {
  Result r{c.name, 0, 0, c.folded ? 1.5 : 1.0, {}};
  Window w(dir);
  w.state.fold_search = c.folded;
  F_zenbun search(w.state, w.form);
  search.Text1->setText(c.keyword);
  double longest_gap = 0;
  int listed = 0;
  auto ours = [&] {
    // A zero-interval timer fires at every turn of the event loop.
    QElapsedTimer since_turn;
    since_turn.start();
    QTimer turns;
    QObject::connect(&turns, &QTimer::timeout, [&] {
      longest_gap = std::max(longest_gap, ms_since(since_turn));
      since_turn.restart();
    });
    turns.start(0);
    search.Command1_Click();
    longest_gap = std::max(longest_gap, ms_since(since_turn));
    listed = w.state.listed_count;
  };
  // The anchors, in turns with ours: grep and ripgrep over the same memo
  // files, with the keyword as the files spell it.
  const bool rg = have_rg();
  int grep_files = 0;
  int rg_files = 0;
  std::vector<double> ours_ms, grep_ms, rg_ms;
  for (int i = 0; i < reps; ++i) {
    ours_ms.push_back(elapsed_ms(ours));
    if (!c.folded) grep_ms.push_back(elapsed_ms([&] { grep_files = run_grep(w.state.data_dir, c.spelled); }));
    if (rg) rg_ms.push_back(elapsed_ms([&] { rg_files = run_rg(w.state.data_dir, c.spelled); }));
  }
  r.ours = median(ours_ms);
  const double rg_median = rg ? median(rg_ms) : 0;
  r.floor = c.folded ? rg_median : median(grep_ms);
  // Unfolded, the search also keeps ahead of ripgrep.
  r.extra_ok = rg && (c.folded || r.ours <= rg_median) && longest_gap <= 20;
  r.note = QStringLiteral("longest_event_loop_gap_ms %1 listed %2 %3rg_ms %4 rg_files %5%6")
               .arg(longest_gap, 0, 'f', 1)
               .arg(listed)
               .arg(c.folded ? QString() : QStringLiteral("grep_files %1 ").arg(grep_files))
               .arg(rg_median, 0, 'f', 1)
               .arg(rg_files)
               .arg(rg ? QString() : QStringLiteral(" (ripgrep missing: Debian ripgrep)"));
  return r;
}

Result bench_search_grep(const QString& dir, const QString& keyword, int reps) {
  Result r{QStringLiteral("search_grep"), 0, 0, 0, {}};
  store::AppState state(dir);
  store::load_memo_index(state.flower_dat_path(), state.memo_table, state.settings.highest_memo_no);
  int grep_files = 0;
  // Against reading and decoding every memo file through the store, the
  // search's earlier floor.
  auto reading = [&] {
    qsizetype chars = 0;
    for (size_t i = 0; i < state.memo_table.size(); ++i) {
      const QString memo_no = state.memo_table.text(i, store::MemoField::MemoNo);
      for (const QString& path :
           {store::memo_body_path(state.data_dir, memo_no), store::memo_images_path(state.data_dir, memo_no)}) {
        const store::ReadResult read = store::read_file_bytes(path);
        if (read.status == store::ReadStatus::Read) chars += store::decode_cp932(read.bytes).size();
      }
    }
    sink = chars;
  };
  std::vector<double> grep_ms, reading_ms;
  for (int i = 0; i < reps; ++i) {
    grep_ms.push_back(elapsed_ms([&] { grep_files = run_grep(state.data_dir, keyword); }));
    reading_ms.push_back(elapsed_ms(reading));
  }
  r.ours = median(grep_ms);
  r.floor = median(reading_ms);
  r.note = QStringLiteral("grep -r -l -i -F over memo/ against reading and decoding every file; files %1").arg(grep_files);
  return r;
}

// A 100 KB body (about 50,000 characters of kana, kanji and Latin) with the
// keyword in many spellings, its hits found and marked in a text box as
// the viewer pane marks them.
Result bench_highlight(const QString& dir, int reps) {
  // The limit stands as the floor, as in the drop case.
  Result r{QStringLiteral("highlight"), 0, 20.0, 1.0, {}};
  QString body;
  const QStringList lines{QStringLiteral("今日は花壇のバラに寒肥をやった。Rosa rugosa の株元にも。"),
                          QStringLiteral("ﾊﾏﾅｽの実が赤く色づいた。ｈａｍａｎａｓｕ と書く人もいる。"),
                          QStringLiteral("はまなすの枝を少し切り戻す。来年の花芽は残す。")};
  for (int i = 0; body.size() < 50000; ++i) body += lines[i % 3] + QStringLiteral("\n");
  QPlainTextEdit box;
  box.setPlainText(body);
  const store::KeywordMatch match(QStringLiteral("はまなす"), store::Matching::Fold);
  int hits = 0;
  auto ours = [&] {
    const auto found = match.hits_in(box.toPlainText());
    QList<QTextEdit::ExtraSelection> marks;
    for (const auto& h : found) {
      QTextEdit::ExtraSelection s;
      s.cursor = QTextCursor(box.document());
      s.cursor.setPosition(static_cast<int>(h.start));
      s.cursor.setPosition(static_cast<int>(h.start + h.length), QTextCursor::KeepAnchor);
      s.format.setBackground(Qt::yellow);
      marks << s;
    }
    box.setExtraSelections(marks);
    hits = static_cast<int>(found.size());
  };
  std::vector<double> ours_ms;
  for (int i = 0; i < reps; ++i) ours_ms.push_back(elapsed_ms(ours));
  r.ours = median(ours_ms);
  r.note = QStringLiteral("hits %1 body_chars %2").arg(hits).arg(body.size());
  (void)dir;
  return r;
}

}  // namespace bench
