// The background job: the done step runs once, on the interface thread, after
// the work and with its results in view; an end that wait() or abandon()
// already dealt with is never taken for the end of the next job. Built under
// ThreadSanitizer too, where a result read without the join would be a race.

#include <QtTest>
#include <atomic>
#include <vector>

#include "ui/background_job.h"

class TestBackgroundJob : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void ends_data() {
    QTest::addColumn<QString>("first_end");  // how the first job is ended
    QTest::addColumn<QList<int>>("done_steps");
    QTest::newRow("by its own end") << "event loop" << QList<int>{1, 2};
    QTest::newRow("by wait") << "wait" << QList<int>{1, 2};
    QTest::newRow("by abandon") << "abandon" << QList<int>{2};
  }
  void ends() {
    QFETCH(QString, first_end);
    QFETCH(QList<int>, done_steps);
    ui::BackgroundJob job(0);
    std::vector<int> result;  // written by the worker, read by the done step
    QList<int> done;
    std::atomic<bool> release_second{false};
    job.start([&] { result.assign(1000, 1); }, [&] {
      QCOMPARE(QThread::currentThread(), qApp->thread());
      done << static_cast<int>(result.size()) / 1000;
    });
    if (first_end == "wait") job.wait();
    if (first_end == "abandon") job.abandon();
    if (first_end == "event loop") QTRY_VERIFY(!job.running());
    QVERIFY(!job.running());
    // The second job is held until the first one's queued end has surely
    // arrived: that end must not finish it.
    job.start([&] {
      while (!release_second.load()) QThread::msleep(1);
      result.assign(2000, 2);
    }, [&] { done << static_cast<int>(result.size()) / 1000; });
    QCoreApplication::processEvents();
    QVERIFY(job.running());
    release_second = true;
    QTRY_VERIFY(!job.running());
    QCOMPARE(done, done_steps);
  }

  void chained_from_the_done_step_with_ticks() {
    ui::BackgroundJob job(5);
    QSignalSpy ticks(&job, &ui::BackgroundJob::tick);
    QSignalSpy running(&job, &ui::BackgroundJob::running_changed);
    std::atomic<bool> go{false};
    int second_done = 0;
    job.start([&] { while (!go.load()) QThread::msleep(1); },
              [&] { job.start([] {}, [&] { ++second_done; }); });
    QTRY_VERIFY(ticks.count() >= 2);
    go = true;
    QTRY_COMPARE(second_done, 1);
    QCOMPARE(running.count(), 4);  // on, off, on, off
    ui::BackgroundJob silent(0);
    QSignalSpy no_ticks(&silent, &ui::BackgroundJob::tick);
    silent.start([] { QThread::msleep(30); }, [] {});
    silent.wait();
    QCOMPARE(no_ticks.count(), 0);
  }
};

QTEST_MAIN(TestBackgroundJob)
#include "test_background_job.moc"
