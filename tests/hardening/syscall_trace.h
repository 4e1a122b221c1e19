#pragma once
// Reads the output of `strace -f -y -xx`: one event per completed system
// call, with its arguments as printed. Calls of several threads that strace
// splits into "<unfinished ...>" and "<... resumed>" halves are joined and
// placed where they completed. Failed calls, signals and exits are left out.

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <optional>

namespace crash {

struct TraceArg {
  QByteArray raw;        // as printed, without a path annotation: "3", "AT_FDCWD", "O_WRONLY|O_CREAT"
  QByteArray text;       // the bytes of a quoted string; for an iovec array, all its buffers in order
  bool quoted = false;   // a string or an array of strings
  bool cut = false;      // strace shortened a string ("..." after it)
  QByteArray path;       // the path strace -y shows for a descriptor ("3</x/y>")
  bool deleted = false;  // "(deleted)" after that path

  long long number() const;
  bool has_flag(const char* flag) const;  // one of the |-joined names of raw
};

struct TraceEvent {
  int line = 0;  // 1-based line of the trace where the call completed
  int tid = 0;
  QByteArray call;
  QList<TraceArg> args;
  long long result = 0;
  TraceArg returned;  // the result; a returned descriptor carries its path

  const TraceArg& arg(qsizetype i) const;  // an empty argument past the end
};

// One complete "call(args) = result" text (without the thread id); nothing
// when it is no call or the call failed.
std::optional<TraceEvent> parse_call(const QByteArray& text);

struct Trace {
  QList<TraceEvent> events;
  QStringList problems;  // lines that look like calls but could not be read
};
Trace parse_trace(const QByteArray& output);

}  // namespace crash
