#pragma once
// A Syncthing home of its own for one side of the test pair.

#include <QString>

namespace synctest {

// Generates a home (key, certificate, config.xml) without a default folder
// and edits its config.xml so that the daemon listens on 127.0.0.1:
// `listen_port` only and reaches nothing beyond the loopback: no global or
// local discovery, no relays, no NAT, no crash or usage reports, no
// upgrades, no browser. Hands back the device id and a new API key.
// Returns "" or what failed.
QString make_syncthing_home(const QString& program, const QString& home, int listen_port, QString& device_id,
                            QString& api_key);

}  // namespace synctest
