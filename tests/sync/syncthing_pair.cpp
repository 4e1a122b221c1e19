#include "syncthing_pair.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>
#include <csignal>

#include "folder_files.h"
#include "syncthing_home.h"

namespace synctest {

namespace {

using namespace std::chrono_literals;

const QString kFolderId = QStringLiteral("verdalis");

// Free loopback ports: all are held open until every one is chosen, so the
// same port is not handed out twice.
QList<int> free_ports(int count) {
  std::vector<std::unique_ptr<QTcpServer>> servers;
  QList<int> ports;
  for (int i = 0; i < count; ++i) {
    auto server = std::make_unique<QTcpServer>();
    if (!server->listen(QHostAddress::LocalHost, 0)) return {};
    ports << server->serverPort();
    servers.push_back(std::move(server));
  }
  return ports;
}

QString int_field(const QJsonObject& o, const char* key) {
  return QString::number(o.value(QLatin1String(key)).toInteger());
}

}  // namespace

QString SyncthingPair::program() { return QStandardPaths::findExecutable(QStringLiteral("syncthing")); }

SyncthingPair::SyncthingPair(QString work_dir) : work_dir_(std::move(work_dir)) {
  nodes_[0].name = QStringLiteral("A");
  nodes_[1].name = QStringLiteral("B");
  network_.setProxy(QNetworkProxy::NoProxy);
}

SyncthingPair::~SyncthingPair() { stop(); }

bool SyncthingPair::fail(const QString& message) {
  error_ = message;
  return false;
}

bool SyncthingPair::start(const QString& folder_a, const QString& folder_b) {
  const QList<int> ports = free_ports(4);
  if (ports.size() != 4) return fail(QStringLiteral("no free loopback ports"));
  nodes_[0].folder = folder_a;
  nodes_[1].folder = folder_b;
  for (int i = 0; i < 2; ++i) {
    nodes_[i].listen_port = ports[2 * i];
    nodes_[i].gui_port = ports[2 * i + 1];
    if (!prepare_home(nodes_[i])) return false;
  }
  for (Node& node : nodes_) {
    if (!launch(node) || !wait_until_answering(node)) return false;
  }
  // B learns of A before A dials it, so A's first call is taken.
  if (!share(nodes_[1], nodes_[0]) || !share(nodes_[0], nodes_[1])) return false;
  return wait_for_link(true, 60s);
}

bool SyncthingPair::prepare_home(Node& node) {
  node.home = QDir(work_dir_).filePath(QStringLiteral("syncthing-") + node.name);
  const QString failure = make_syncthing_home(program(), node.home, node.listen_port, node.device_id, node.api_key);
  return failure.isEmpty() || fail(failure);
}

bool SyncthingPair::launch(Node& node) {
  node.process = std::make_unique<QProcess>();
  QProcess& p = *node.process;
  p.setProcessChannelMode(QProcess::MergedChannels);
  // A process group of its own keeps a terminal's Ctrl+C for the test; the
  // parent-death signal stops the daemon if the test process dies without
  // its clean-up.
  p.setChildProcessModifier([] {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  });
  p.setStandardOutputFile(QDir(node.home).filePath(QStringLiteral("syncthing.log")));
  p.start(program(), {QStringLiteral("serve"), QStringLiteral("--home=") + node.home, QStringLiteral("--no-browser"),
                      QStringLiteral("--no-restart"), QStringLiteral("--no-upgrade"),
                      QStringLiteral("--gui-address=http://127.0.0.1:%1").arg(node.gui_port),
                      QStringLiteral("--gui-apikey=") + node.api_key});
  if (!p.waitForStarted(10000))
    return fail(QStringLiteral("syncthing %1 did not start: %2").arg(node.name, p.errorString()));
  node.pid = p.processId();
  return true;
}

bool SyncthingPair::wait_until_answering(Node& node) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 30000) {
    if (node.process->state() != QProcess::Running) {
      return fail(QStringLiteral("syncthing %1 exited at start-up:\n%2").arg(node.name, log_tail()));
    }
    if (rest(node, "GET", QStringLiteral("/rest/system/ping"), {}, 2s).status == 200) return true;
    QEventLoop loop;
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return fail(
      QStringLiteral("syncthing %1 did not answer on port %2:\n%3").arg(node.name).arg(node.gui_port).arg(log_tail()));
}

bool SyncthingPair::share(Node& self, const Node& other) {
  // Only A dials B; B waits for A. When both dial at the same moment, as on
  // resuming, each keeps one of the two connections and the other hangs in
  // its greeting until a 20-second timeout. With discovery off, "dynamic"
  // gives B no address to dial.
  const QString address =
      &other == &nodes_[1] ? QStringLiteral("tcp://127.0.0.1:%1").arg(other.listen_port) : QStringLiteral("dynamic");
  const QJsonObject device{{QStringLiteral("deviceID"), other.device_id},
                           {QStringLiteral("name"), other.name},
                           {QStringLiteral("addresses"), QJsonArray{address}}};
  Reply added = rest(self, "POST", QStringLiteral("/rest/config/devices"), QJsonDocument(device).toJson());
  if (added.status != 200) {
    return fail(QStringLiteral("%1: adding device %2 answered %3 %4")
                    .arg(self.name, other.name)
                    .arg(added.status)
                    .arg(QString::fromUtf8(added.body)));
  }
  const QJsonObject folder{
      {QStringLiteral("id"), kFolderId},
      {QStringLiteral("label"), QStringLiteral("Verdalis")},
      {QStringLiteral("path"), self.folder},
      {QStringLiteral("fsWatcherEnabled"), true},
      {QStringLiteral("fsWatcherDelayS"), 1},
      {QStringLiteral("rescanIntervalS"), 5},
      {QStringLiteral("devices"), QJsonArray{QJsonObject{{QStringLiteral("deviceID"), self.device_id}},
                                             QJsonObject{{QStringLiteral("deviceID"), other.device_id}}}}};
  added = rest(self, "POST", QStringLiteral("/rest/config/folders"), QJsonDocument(folder).toJson());
  if (added.status != 200) {
    return fail(QStringLiteral("%1: adding the folder answered %2 %3")
                    .arg(self.name)
                    .arg(added.status)
                    .arg(QString::fromUtf8(added.body)));
  }
  return true;
}

std::optional<bool> SyncthingPair::linked(Node& self, const Node& other) {
  const Reply reply = rest(self, "GET", QStringLiteral("/rest/system/connections"));
  if (reply.status != 200) return std::nullopt;
  const QJsonObject connection =
      reply.json().object().value(QStringLiteral("connections")).toObject().value(other.device_id).toObject();
  return connection.value(QStringLiteral("connected")).toBool();
}

bool SyncthingPair::wait_for_link(bool up, std::chrono::milliseconds timeout) {
  QElapsedTimer clock;
  clock.start();
  while (true) {
    const std::optional<bool> a = linked(nodes_[0], nodes_[1]);
    const std::optional<bool> b = linked(nodes_[1], nodes_[0]);
    if (a == up && b == up) {
      qInfo("link %s after %.1f s", up ? "up" : "down", static_cast<double>(clock.elapsed()) / 1000);
      return true;
    }
    if (clock.elapsed() > timeout.count()) {
      return fail(QStringLiteral("the two Syncthing daemons are still %1 after %2 s (A sees B: %3, B sees A: %4)\n%5")
                      .arg(up ? QStringLiteral("apart") : QStringLiteral("connected"))
                      .arg(timeout.count() / 1000)
                      .arg(a ? (*a ? "connected" : "apart") : "no answer",
                           b ? (*b ? "connected" : "apart") : "no answer", log_tail()));
    }
    wait_for_events(500ms);
  }
}

bool SyncthingPair::set_online(bool online) {
  // Each side first records what changed in its folder while it was apart,
  // as a machine that has been running a while has; otherwise a pull could
  // meet a local change its watcher has not reported yet, fail, and wait a
  // minute before it tries again.
  if (online && !scan()) return false;
  const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("paused"), !online}}).toJson();
  // A, which dials, is paused first and resumed last: a dial B refuses as
  // paused is only tried again five seconds later.
  for (int i : online ? std::array{1, 0} : std::array{0, 1}) {
    const Reply reply =
        rest(nodes_[i], "PATCH", QStringLiteral("/rest/config/devices/") + nodes_[1 - i].device_id, body);
    if (reply.status != 200) {
      return fail(QStringLiteral("%1: pausing answered %2 %3")
                      .arg(nodes_[i].name)
                      .arg(reply.status)
                      .arg(QString::fromUtf8(reply.body)));
    }
  }
  return wait_for_link(online, 60s);
}

bool SyncthingPair::scan() {
  for (Node& node : nodes_) {
    const Reply reply = rest(node, "POST", QStringLiteral("/rest/db/scan?folder=") + kFolderId, {}, 60s);
    if (reply.status != 200) {
      return fail(QStringLiteral("%1: scan answered %2 %3")
                      .arg(node.name)
                      .arg(reply.status)
                      .arg(QString::fromUtf8(reply.body)));
    }
  }
  return true;
}

QString SyncthingPair::unsettled_reason(QByteArray& fingerprint) {
  QStringList reasons;
  for (int i = 0; i < 2; ++i) {
    Node& node = nodes_[i];
    const Reply status = rest(node, "GET", QStringLiteral("/rest/db/status?folder=") + kFolderId);
    const Reply completion = rest(
        node, "GET", QStringLiteral("/rest/db/completion?folder=%1&device=%2").arg(kFolderId, nodes_[1 - i].device_id));
    if (status.status != 200 || completion.status != 200) {
      reasons << node.name + QStringLiteral(": no answer from the REST interface");
      continue;
    }
    const QJsonObject s = status.json().object();
    const QJsonObject c = completion.json().object();
    const QString state = s.value(QStringLiteral("state")).toString();
    const QString line =
        QStringLiteral("%1: state %2, sequence %3, own needs %4, pull errors %5, %6 needs %7 items and %8 deletes")
            .arg(node.name, state, int_field(s, "sequence"), int_field(s, "needTotalItems"), int_field(s, "pullErrors"),
                 nodes_[1 - i].name, int_field(c, "needItems"), int_field(c, "needDeletes"));
    fingerprint += line.toUtf8() + '\n';
    if (state != QLatin1String("idle") || s.value(QStringLiteral("needTotalItems")).toInteger() != 0 ||
        c.value(QStringLiteral("needItems")).toInteger() != 0 ||
        c.value(QStringLiteral("needDeletes")).toInteger() != 0) {
      reasons << line;
    }
  }
  // Any file that changes in either folder restarts the quiet time: a
  // conflict copy is made by the puller but only scanned a moment later.
  for (const Node& node : nodes_) {
    const QMap<QString, QByteArray> files = folder_files(node.folder);
    QCryptographicHash tree(QCryptographicHash::Sha1);
    for (auto it = files.cbegin(); it != files.cend(); ++it) tree.addData(it.key().toUtf8() + '\0' + it.value() + '\0');
    fingerprint += tree.result();
  }
  return reasons.join(QLatin1Char('\n'));
}

bool SyncthingPair::settle(std::chrono::milliseconds timeout, std::chrono::milliseconds quiet) {
  if (!scan()) return false;
  QElapsedTimer clock;
  clock.start();
  qint64 quiet_since = 0;
  QByteArray last;
  QString reason;
  while (true) {
    QByteArray fingerprint;
    reason = unsettled_reason(fingerprint);
    if (!reason.isEmpty() || fingerprint != last) {
      quiet_since = clock.elapsed();
      last = fingerprint;
    } else if (clock.elapsed() - quiet_since >= quiet.count()) {
      qInfo("settled in %.1f s", static_cast<double>(quiet_since) / 1000);
      return true;
    }
    if (clock.elapsed() > timeout.count()) {
      return fail(QStringLiteral("the two folders did not settle within %1 s:\n%2\n%3")
                      .arg(timeout.count() / 1000)
                      .arg(reason.isEmpty() ? QStringLiteral("(still changing)") : reason, log_tail()));
    }
    wait_for_events(300ms);
  }
}

void SyncthingPair::wait_for_events(std::chrono::milliseconds wait) {
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  std::vector<QNetworkReply*> replies;
  for (Node& node : nodes_) {
    // The first call only learns where the event stream stands.
    const QString query = node.event_since == 0
                              ? QStringLiteral("/rest/events?limit=1&timeout=0")
                              : QStringLiteral("/rest/events?since=%1&timeout=1").arg(node.event_since);
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(node.gui_port).arg(query)));
    request.setRawHeader("X-API-Key", node.api_key.toUtf8());
    QNetworkReply* reply = network_.get(request);
    Node* n = &node;
    QObject::connect(reply, &QNetworkReply::finished, &loop, [n, reply, &loop] {
      const QJsonArray events = QJsonDocument::fromJson(reply->readAll()).array();
      for (const QJsonValue& event : events)
        n->event_since = std::max(n->event_since, event.toObject().value(QStringLiteral("id")).toInteger());
      if (!events.isEmpty()) loop.quit();
    });
    replies.push_back(reply);
  }
  timer.start(wait);
  loop.exec();
  for (QNetworkReply* reply : replies) {
    reply->disconnect();
    reply->abort();
    reply->deleteLater();
  }
}

SyncthingPair::Reply SyncthingPair::rest(Node& node, const QByteArray& verb, const QString& path,
                                         const QByteArray& body, std::chrono::milliseconds timeout) {
  QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(node.gui_port).arg(path)));
  request.setRawHeader("X-API-Key", node.api_key.toUtf8());
  request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
  request.setTransferTimeout(static_cast<int>(timeout.count()));
  QNetworkReply* reply = network_.sendCustomRequest(request, verb, body);
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  if (!reply->isFinished()) loop.exec();
  Reply out;
  out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  out.body = reply->readAll();
  reply->deleteLater();
  return out;
}

QString SyncthingPair::log_tail(int lines) {
  QString out;
  for (const Node& node : nodes_) {
    QFile file(QDir(node.home).filePath(QStringLiteral("syncthing.log")));
    const QStringList all = file.open(QIODevice::ReadOnly)
                                ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                : QStringList{};
    out += QStringLiteral("--- syncthing %1, last lines:\n").arg(node.name) +
           all.mid(std::max<qsizetype>(0, all.size() - lines)).join(QLatin1Char('\n')) + QLatin1Char('\n');
  }
  return out;
}

void SyncthingPair::stop() {
  for (Node& node : nodes_) {
    if (!node.process) continue;
    if (node.process->state() != QProcess::NotRunning && node.pid > 0) {
      ::kill(static_cast<pid_t>(node.pid), SIGTERM);
      if (!node.process->waitForFinished(15000)) {
        // The daemon's own monitor runs it as a child in the same group.
        ::kill(-static_cast<pid_t>(node.pid), SIGKILL);
        node.process->waitForFinished(5000);
      }
    }
    node.process.reset();
    node.pid = 0;
  }
}

}  // namespace synctest
