#pragma once
// The files of a synced folder as the tests compare them.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace synctest {

// The files below `root` with their bytes, by path relative to it ("memo/
// m0000001.txt"). Syncthing's marker folder and its temporary files are
// left out.
QMap<QString, QByteArray> folder_files(const QString& root);

// The paths whose bytes differ between two such listings, each marked
// "(only in A)", "(only in B)" or "(bytes differ)".
QStringList differing_files(const QMap<QString, QByteArray>& a, const QMap<QString, QByteArray>& b);

}  // namespace synctest
