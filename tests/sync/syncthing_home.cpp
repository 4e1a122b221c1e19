#include "syncthing_home.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <optional>

namespace synctest {

namespace {

QString random_key() {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  QString key;
  for (int i = 0; i < 32; ++i) key += QLatin1Char(kAlphabet[QRandomGenerator::global()->bounded(62)]);
  return key;
}

// Runs a short syncthing command and returns its output, or nullopt.
std::optional<QByteArray> run_tool(const QString& program, const QStringList& arguments, QString& error) {
  QProcess tool;
  tool.setProcessChannelMode(QProcess::MergedChannels);
  tool.start(program, arguments);
  if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
    error = QStringLiteral("syncthing %1 failed: %2")
                .arg(arguments.join(QLatin1Char(' ')), QString::fromUtf8(tool.readAll()));
    tool.kill();
    tool.waitForFinished(5000);
    return std::nullopt;
  }
  return tool.readAll();
}

// Sets the text of the one element <tag>…</tag> in config.xml.
bool set_element(QString& xml, const QString& tag, const QString& value) {
  const QRegularExpression element(QStringLiteral("<%1>[^<]*</%1>").arg(tag));
  if (xml.count(element) != 1) return false;
  xml.replace(element, QStringLiteral("<%1>%2</%1>").arg(tag, value));
  return true;
}

}  // namespace

QString make_syncthing_home(const QString& program, const QString& home, int listen_port, QString& device_id,
                            QString& api_key) {
  api_key = random_key();
  QString why;
  if (!run_tool(program,
                {QStringLiteral("generate"), QStringLiteral("--home=") + home, QStringLiteral("--no-default-folder")},
                why)) {
    return why;
  }
  const auto id = run_tool(
      program, {QStringLiteral("serve"), QStringLiteral("--home=") + home, QStringLiteral("--device-id")}, why);
  if (!id) return why;
  device_id = QString::fromUtf8(*id).trimmed();

  QFile file(QDir(home).filePath(QStringLiteral("config.xml")));
  if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("cannot read ") + file.fileName();
  QString xml = QString::fromUtf8(file.readAll());
  file.close();
  const QList<std::pair<QString, QString>> options = {
      {QStringLiteral("listenAddress"), QStringLiteral("tcp://127.0.0.1:%1").arg(listen_port)},
      {QStringLiteral("globalAnnounceEnabled"), QStringLiteral("false")},
      {QStringLiteral("localAnnounceEnabled"), QStringLiteral("false")},
      {QStringLiteral("relaysEnabled"), QStringLiteral("false")},
      {QStringLiteral("natEnabled"), QStringLiteral("false")},
      {QStringLiteral("crashReportingEnabled"), QStringLiteral("false")},
      {QStringLiteral("startBrowser"), QStringLiteral("false")},
      {QStringLiteral("urAccepted"), QStringLiteral("-1")},
      {QStringLiteral("autoUpgradeIntervalH"), QStringLiteral("0")},
      // Going online again dials the other side at once rather than at the
      // next of the default minute-long reconnection rounds.
      {QStringLiteral("reconnectionIntervalS"), QStringLiteral("1")},
  };
  for (const auto& [tag, value] : options) {
    if (!set_element(xml, tag, value)) return QStringLiteral("%1 has no single <%2>").arg(file.fileName(), tag);
  }
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(xml.toUtf8()) < 0) {
    return QStringLiteral("cannot write ") + file.fileName();
  }
  return {};
}

}  // namespace synctest
