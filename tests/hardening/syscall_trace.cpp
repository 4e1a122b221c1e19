#include "syscall_trace.h"

#include <QHash>
#include <cstdlib>

namespace crash {

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes the C escapes strace writes inside quotes and annotations, from
// `from` up to (not including) `end`.
QByteArray unescape(const QByteArray& s, qsizetype from, qsizetype end) {
  QByteArray out;
  out.reserve(end - from);
  for (qsizetype i = from; i < end; ++i) {
    if (s[i] != '\\' || i + 1 >= end) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    if (c == 'x' && i + 2 < end && hex_value(s[i + 1]) >= 0 && hex_value(s[i + 2]) >= 0) {
      out += static_cast<char>(hex_value(s[i + 1]) * 16 + hex_value(s[i + 2]));
      i += 2;
    } else if (c >= '0' && c <= '7') {
      int value = 0;
      int digits = 0;
      for (; digits < 3 && i < end && s[i] >= '0' && s[i] <= '7'; ++digits) value = value * 8 + (s[i++] - '0');
      --i;
      out += static_cast<char>(value);
    } else {
      static const QHash<char, char> simple{{'n', '\n'}, {'r', '\r'}, {'t', '\t'}, {'v', '\v'},
                                            {'f', '\f'}, {'a', '\a'}, {'b', '\b'}};
      out += simple.value(c, c);
    }
  }
  return out;
}

// The index just after the quoted string that starts at `i`.
qsizetype skip_quoted(const QByteArray& s, qsizetype i) {
  for (++i; i < s.size(); ++i) {
    if (s[i] == '\\') {
      ++i;
    } else if (s[i] == '"') {
      return i + 1;
    }
  }
  return s.size();
}

// Splits "a, b, [c, d]" at the commas outside quotes and brackets; `end`
// receives the index of the bracket closing the list (or the size).
QList<QByteArray> split_top(const QByteArray& s, qsizetype from, char closing, qsizetype* end) {
  QList<QByteArray> parts;
  int depth = 0;
  qsizetype start = from;
  qsizetype i = from;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      i = skip_quoted(s, i) - 1;
    } else if (c == '(' || c == '[' || c == '{' || c == '<') {
      ++depth;
    } else if (depth > 0 && (c == ')' || c == ']' || c == '}' || c == '>')) {
      --depth;
    } else if (depth == 0 && c == closing) {
      break;
    } else if (depth == 0 && c == ',') {
      parts << s.mid(start, i - start).trimmed();
      start = i + 1;
    }
  }
  const QByteArray last = s.mid(start, i - start).trimmed();
  if (!last.isEmpty() || !parts.isEmpty()) parts << last;
  if (end) *end = i;
  return parts;
}

TraceArg parse_arg(const QByteArray& token) {
  TraceArg arg;
  if (token.startsWith('"') || token.startsWith('[') || token.startsWith('{')) {
    // A string, or an array of iovecs whose buffers are strings.
    for (qsizetype i = 0; i < token.size(); ++i) {
      if (token[i] != '"') continue;
      const qsizetype after = skip_quoted(token, i);
      arg.text += unescape(token, i + 1, after - 1);
      arg.quoted = true;
      if (token.mid(after, 3) == "...") arg.cut = true;
      i = after - 1;
    }
    arg.raw = token;
    return arg;
  }
  const qsizetype open = token.indexOf('<');
  if (open < 0) {
    arg.raw = token;
    return arg;
  }
  arg.raw = token.left(open);
  qsizetype close = token.lastIndexOf('>');
  if (close < open) close = token.size();
  arg.path = unescape(token, open + 1, close);
  arg.deleted = token.mid(close + 1).contains("(deleted)");
  return arg;
}

}  // namespace

long long TraceArg::number() const { return std::strtoll(raw.constData(), nullptr, 0); }

bool TraceArg::has_flag(const char* flag) const {
  for (const QByteArray& part : raw.split('|')) {
    if (part.trimmed() == flag) return true;
  }
  return false;
}

const TraceArg& TraceEvent::arg(qsizetype i) const {
  static const TraceArg none;
  return i < args.size() ? args[i] : none;
}

std::optional<TraceEvent> parse_call(const QByteArray& text) {
  const qsizetype open = text.indexOf('(');
  if (open <= 0) return std::nullopt;
  TraceEvent event;
  event.call = text.left(open).trimmed();
  for (const char c : event.call) {
    if (!(c == '_' || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return std::nullopt;
  }
  qsizetype close = 0;
  for (const QByteArray& token : split_top(text, open + 1, ')', &close)) event.args << parse_arg(token);
  const qsizetype equals = text.indexOf(" = ", close);
  if (close >= text.size() || equals < 0) return std::nullopt;
  const QByteArray result = text.mid(equals + 3).trimmed();
  if (result.isEmpty() || result.startsWith('?') || result.startsWith("-1 ")) return std::nullopt;
  const qsizetype space = result.indexOf(' ');
  event.returned = parse_arg(space > 0 && !result.left(space).contains('<') ? result.left(space) : result);
  event.result = event.returned.number();
  return event;
}

Trace parse_trace(const QByteArray& output) {
  Trace trace;
  QHash<int, QByteArray> unfinished;  // by thread: the first half of a split call
  const QList<QByteArray> lines = output.split('\n');
  for (qsizetype n = 0; n < lines.size(); ++n) {
    QByteArray line = lines[n];
    if (line.endsWith('\r')) line.chop(1);
    const qsizetype space = line.indexOf(' ');
    bool numbered = false;
    const int tid = space > 0 ? line.left(space).toInt(&numbered) : 0;
    QByteArray rest = numbered ? line.mid(space + 1).trimmed() : line.trimmed();
    if (rest.isEmpty() || rest.startsWith("---") || rest.startsWith("+++")) continue;
    if (rest.endsWith("<unfinished ...>")) {
      unfinished[tid] = rest.left(rest.size() - 16).trimmed();
      continue;
    }
    if (rest.startsWith("<... ")) {
      const qsizetype resumed = rest.indexOf("resumed>");
      if (resumed < 0 || !unfinished.contains(tid)) {
        trace.problems << QStringLiteral("line %1: a resumed call without its start").arg(n + 1);
        continue;
      }
      QByteArray head = unfinished.take(tid);
      QByteArray tail = rest.mid(resumed + 8).trimmed();
      if (!head.endsWith('(') && !head.endsWith(',') && !tail.startsWith(')') && !tail.startsWith(',')) head += ',';
      if (head.endsWith(',')) head += ' ';
      rest = head + tail;
    }
    if (std::optional<TraceEvent> event = parse_call(rest)) {
      event->line = static_cast<int>(n + 1);
      event->tid = tid;
      trace.events << *event;
    } else if (rest.contains('(') && !rest.contains(" = -1 ") && !rest.contains(" = ?")) {
      trace.problems << QStringLiteral("line %1: not read: %2").arg(n + 1).arg(QString::fromLatin1(rest.left(120)));
    }
  }
  return trace;
}

}  // namespace crash
