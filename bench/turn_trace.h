#pragma once
// With VERDALIS_TURN_TRACE set, the benchmark's application times every
// event it delivers; a LoopWatch then prints what filled each turn longer
// than the given number of milliseconds.

#include <QApplication>
#include <QElapsedTimer>
#include <QString>
#include <cstdio>
#include <vector>

namespace bench {

struct TracedEvent {
  int type;
  const char* receiver;
  QString name;
  double start_ms;
  double ms;
};

class TracingApp : public QApplication {
 public:
  TracingApp(int& argc, char** argv) : QApplication(argc, argv) {
    limit_ms = qEnvironmentVariableIntValue("VERDALIS_TURN_TRACE");
    clock.start();
  }
  bool notify(QObject* receiver, QEvent* event) override {
    if (limit_ms <= 0 || depth > 0) return QApplication::notify(receiver, event);
    ++depth;
    const qint64 begin = clock.nsecsElapsed();
    const int type = event->type();
    const char* cls = receiver->metaObject()->className();
    const QString name = receiver->objectName();
    const bool r = QApplication::notify(receiver, event);
    const double ms = static_cast<double>(clock.nsecsElapsed() - begin) / 1e6;
    if (ms > 0.3) events.push_back({type, cls, name, static_cast<double>(begin) / 1e6, ms});
    --depth;
    return r;
  }
  static TracingApp* self() { return dynamic_cast<TracingApp*>(QCoreApplication::instance()); }
  void turn_ended(double gap_ms) {
    if (limit_ms > 0 && gap_ms > limit_ms) {
      std::printf("  turn %.1f ms at %.1f:\n", gap_ms, static_cast<double>(clock.nsecsElapsed()) / 1e6);
      for (const TracedEvent& e : events)
        std::printf("    +%.1f type %d %s %s %.2f ms\n", e.start_ms, e.type, e.receiver, qPrintable(e.name), e.ms);
    }
    events.clear();
  }
  int limit_ms = 0;
  int depth = 0;
  QElapsedTimer clock;
  std::vector<TracedEvent> events;
};

}  // namespace bench
