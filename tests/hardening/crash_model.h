#pragma once
// What a power cut may leave of one folder, replayed from a system call
// trace. Each file keeps its bytes as of its last fsync/fdatasync and the
// changes made since; each directory its entries as of its last fsync and
// its present ones. A crash keeps, for every file, the synced bytes plus a
// prefix of the later changes cut at an operation or a 4 KB boundary, and
// for every name changed since its directory was synced, either the synced
// or the present binding, each decided on its own. Everything in the folder
// before the trace counts as synced.

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "syscall_trace.h"

namespace crash {

// A folder's content: regular files by relative path, directories, and
// further names of a file already listed (hard links).
struct Tree {
  std::map<QByteArray, QByteArray> files;
  std::set<QByteArray> dirs;
  std::map<QByteArray, QByteArray> links;  // name -> the first name of the same file

  QByteArray key() const;  // a digest of everything above
  // Creates the content inside the existing empty directory `dir`.
  bool write_to(const QString& dir, QString* error) const;
  // Reads a folder from disk; hard links are told by their inode.
  static bool read_from(const QString& dir, Tree& tree, QString* error);
};

// One decision a crash makes: how much of a file's unsynced changes
// survives (options: none, ..., all), or whether a directory name shows its
// synced (0) or present (1) binding.
struct Choice {
  int node = 0;
  QByteArray name;  // empty for a file
  int options = 2;
};

class Model {
 public:
  // `root` is the absolute path of the folder, `cwd` the traced program's
  // starting directory.
  Model(const QByteArray& root, const QByteArray& cwd);
  // Takes the folder's present content as synced.
  bool start_from(const Tree& tree);

  // Applies one event. True when it changed or synced anything inside the
  // folder. An event that cannot be modelled sets problem().
  bool apply(const TraceEvent& event);
  const QString& problem() const { return problem_; }
  int syncs() const { return syncs_; }

  std::vector<Choice> choices() const;
  // The folder after a crash now; one pick per choice, 0 being the synced
  // side and options - 1 everything kept.
  Tree state(const std::vector<int>& picks) const;
  Tree present() const;

 private:
  struct Change {
    qint64 offset = 0;
    QByteArray bytes;
    bool truncate = false;  // to `offset`
  };
  struct Node {
    bool dir = false;
    QByteArray synced, current;
    std::vector<Change> pending;
    std::map<QByteArray, int> synced_names, names;
  };
  struct Open {
    int node = -1;  // -1: outside the folder
    qint64 pos = 0;
    bool append = false;
  };
  struct Cut {
    size_t changes = 0;  // applied whole
    qint64 part = 0;     // bytes of the next write applied
  };

  // Where a path leads: whether into the folder, and the directory node
  // and the name in it (the folder itself has no name; dir -1: unknown).
  struct Place {
    bool inside = false;
    int dir = -1;
    QByteArray name;
  };

  int add_node(bool dir);
  Place place(const TraceArg* dirfd, const QByteArray& path);
  int at(const Place& p) const;  // the node bound there, or -1
  int fd_node(const TraceArg& fd);
  void change(int node, const Change& c);
  void sync(int node);
  std::vector<Cut> cuts(const Node& n) const;
  QByteArray content(const Node& n, const Cut& cut) const;
  bool fail(const TraceEvent& e, const QString& why);

  bool open(const TraceEvent& e, const TraceArg* dirfd, const QByteArray& path, const TraceArg& flags);
  bool write(const TraceEvent& e);
  bool rename(const TraceEvent& e, const TraceArg* d1, const QByteArray& p1, const TraceArg* d2,
              const QByteArray& p2, bool exchange);
  bool link(const TraceEvent& e, const TraceArg* d1, const QByteArray& p1, const TraceArg* d2,
            const QByteArray& p2, bool empty_path);
  bool remove(const TraceEvent& e, const TraceArg* dirfd, const QByteArray& path);
  bool make_dir(const TraceEvent& e, const TraceArg* dirfd, const QByteArray& path);

  QByteArray root_;
  QByteArray cwd_;
  std::vector<Node> nodes_;  // node 0 is the folder itself
  std::map<long long, std::shared_ptr<Open>> fds_;
  QString problem_;
  int syncs_ = 0;
};

}  // namespace crash
