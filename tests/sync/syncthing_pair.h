#pragma once
// Two Syncthing daemons on 127.0.0.1 sharing one folder between two data
// directories, as a diary kept on two machines. Nothing leaves the loopback:
// no discovery, no relays, no NAT, no usage reports. The daemons run in
// process groups of their own, die with the test process, and are stopped by
// their process ids.

#include <QByteArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <array>
#include <chrono>
#include <memory>
#include <optional>

namespace synctest {

class SyncthingPair {
 public:
  // The syncthing program on PATH, or "" when it is not installed.
  static QString program();

  // `work_dir` holds the two Syncthing homes; it must outlive the pair.
  explicit SyncthingPair(QString work_dir);
  ~SyncthingPair();
  SyncthingPair(const SyncthingPair&) = delete;
  SyncthingPair& operator=(const SyncthingPair&) = delete;

  // Generates both homes, starts both daemons, shares folder_a with folder_b
  // and waits until the two are connected. On failure error() says why.
  bool start(const QString& folder_a, const QString& folder_b);
  // Pauses (false) or resumes (true) each side's link to the other and waits
  // until both sides see the link down or up. Both sides scan before they
  // link up again.
  bool set_online(bool online);
  // Both sides scan their folder now, so that changes the file watcher has
  // not reported yet are known.
  bool scan();
  // Scans, then waits until, by both daemons' own account, neither side
  // needs anything from the other and both are idle, and until that and
  // every file in both folders have stayed as they are for `quiet`. Whether
  // the two folders then hold the same bytes is for the caller to check.
  bool settle(std::chrono::milliseconds timeout = std::chrono::seconds(60),
              std::chrono::milliseconds quiet = std::chrono::milliseconds(2500));
  // SIGTERM to each daemon, SIGKILL after a grace time. Safe to call twice.
  void stop();

  QString error() const { return error_; }
  // The last lines each daemon wrote, for a failure message.
  QString log_tail(int lines = 30);

 private:
  struct Node {
    QString name;  // "A" or "B"
    QString home;
    QString folder;
    int listen_port = 0;
    int gui_port = 0;
    QString api_key;
    QString device_id;
    qint64 pid = 0;
    std::unique_ptr<QProcess> process;
    qint64 event_since = 0;
  };

  struct Reply {
    int status = 0;  // HTTP status, 0 when no answer came
    QByteArray body;
    QJsonDocument json() const { return QJsonDocument::fromJson(body); }
  };

  bool prepare_home(Node& node);
  bool launch(Node& node);
  bool wait_until_answering(Node& node);
  bool share(Node& self, const Node& other);
  bool wait_for_link(bool up, std::chrono::milliseconds timeout);
  std::optional<bool> linked(Node& self, const Node& other);
  Reply rest(Node& node, const QByteArray& verb, const QString& path, const QByteArray& body = {},
             std::chrono::milliseconds timeout = std::chrono::seconds(30));
  // Why the pair is not settled ("" when it is), and a fingerprint of what
  // both daemons report and both folders hold, which must stay the same
  // while the pair is quiet.
  QString unsettled_reason(QByteArray& fingerprint);
  // Waits until either daemon reports an event, at most `wait`.
  void wait_for_events(std::chrono::milliseconds wait);
  bool fail(const QString& message);

  QString work_dir_;
  std::array<Node, 2> nodes_;
  QNetworkAccessManager network_;
  QString error_;
};

}  // namespace synctest
