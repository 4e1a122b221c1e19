#include "crash_model.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace crash {

namespace {

constexpr qint64 kPage = 4096;

QByteArray native(const QString& path) { return QFile::encodeName(path); }

// Builds the tree from a list of (relative path, file identity, bytes);
// names of one file beyond the smallest become links to it.
template <class Id>
void add_files(Tree& tree, const std::map<Id, std::vector<QByteArray>>& names,
               const std::map<Id, QByteArray>& bytes) {
  for (const auto& [id, paths] : names) {
    const QByteArray& first = *std::min_element(paths.begin(), paths.end());
    tree.files[first] = bytes.at(id);
    for (const QByteArray& p : paths) {
      if (p != first) tree.links[p] = first;
    }
  }
}

QByteArray normalise(const QByteArray& path) {
  QList<QByteArray> parts;
  for (const QByteArray& part : path.split('/')) {
    if (part.isEmpty() || part == ".") continue;
    if (part == "..") {
      if (!parts.isEmpty()) parts.removeLast();
    } else {
      parts << part;
    }
  }
  return '/' + parts.join('/');
}

QByteArray event_text(const TraceEvent& e) {
  QByteArray text = e.call + " at trace line " + QByteArray::number(e.line);
  for (const TraceArg& a : e.args) {
    if (a.quoted || !a.path.isEmpty()) return text + ": " + (a.quoted ? a.text : a.path).left(200);
  }
  return text;
}

}  // namespace

QByteArray Tree::key() const {
  QCryptographicHash hash(QCryptographicHash::Sha1);
  for (const QByteArray& d : dirs) hash.addData(QByteArray("D" + d + '\0'));
  for (const auto& [path, bytes] : files) {
    hash.addData(QByteArray("F" + path + '\0' + QByteArray::number(bytes.size()) + '\0'));
    hash.addData(bytes);
  }
  for (const auto& [path, first] : links) hash.addData(QByteArray("L" + path + '\0' + first + '\0'));
  return hash.result();
}

bool Tree::write_to(const QString& dir, QString* error) const {
  const QByteArray base = native(dir) + '/';
  const auto failed = [&](const QByteArray& path) {
    *error = QStringLiteral("cannot make %1: %2").arg(QString::fromLocal8Bit(path), QString::fromLocal8Bit(strerror(errno)));
    return false;
  };
  for (const QByteArray& d : dirs) {
    if (::mkdir((base + d).constData(), 0755) != 0) return failed(d);
  }
  for (const auto& [path, bytes] : files) {
    const int fd = ::open((base + path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, bytes.constData(), bytes.size()) == bytes.size();
    if (fd < 0 || ::close(fd) != 0 || !written) return failed(path);
  }
  for (const auto& [path, first] : links) {
    if (::link((base + first).constData(), (base + path).constData()) != 0) return failed(path);
  }
  return true;
}

bool Tree::read_from(const QString& dir, Tree& tree, QString* error) {
  tree = Tree();
  std::map<std::pair<dev_t, ino_t>, std::vector<QByteArray>> names;
  std::map<std::pair<dev_t, ino_t>, QByteArray> bytes;
  QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QByteArray rel = native(path.mid(dir.size() + 1));
    struct stat st {};
    QFile file(path);
    if (::lstat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
      tree.dirs.insert(rel);
    } else if (S_ISREG(st.st_mode) && file.open(QIODevice::ReadOnly)) {
      names[{st.st_dev, st.st_ino}].push_back(rel);
      bytes[{st.st_dev, st.st_ino}] = file.readAll();
    } else {
      *error = QStringLiteral("%1 cannot be read as a file or folder").arg(path);
      return false;
    }
  }
  add_files(tree, names, bytes);
  return true;
}

Model::Model(const QByteArray& root, const QByteArray& cwd) : root_(normalise(root)), cwd_(normalise(cwd)) {
  add_node(true);
}

int Model::add_node(bool dir) {
  nodes_.emplace_back();
  nodes_.back().dir = dir;
  return static_cast<int>(nodes_.size() - 1);
}

bool Model::start_from(const Tree& tree) {
  const auto bind = [this](const QByteArray& path, int node) {
    const Place p = place(nullptr, root_ + '/' + path);
    if (p.dir < 0) return false;
    nodes_[p.dir].names[p.name] = node;
    nodes_[p.dir].synced_names = nodes_[p.dir].names;
    return true;
  };
  bool ok = true;
  for (const QByteArray& d : tree.dirs) ok = ok && bind(d, add_node(true));
  std::map<QByteArray, int> by_path;
  for (const auto& [path, bytes] : tree.files) {
    const int node = by_path[path] = add_node(false);
    nodes_[node].synced = nodes_[node].current = bytes;
    ok = ok && bind(path, node);
  }
  for (const auto& [path, first] : tree.links) ok = ok && bind(path, by_path.at(first));
  return ok;
}

Model::Place Model::place(const TraceArg* dirfd, const QByteArray& path) {
  QByteArray base = cwd_;
  if (dirfd && dirfd->raw.startsWith("AT_FDCWD")) {
    if (!dirfd->path.isEmpty()) base = cwd_ = normalise(dirfd->path);
  } else if (dirfd) {
    base = dirfd->path;
  }
  const QByteArray absolute = normalise(path.startsWith('/') ? path : base + '/' + path);
  Place p;
  p.inside = absolute == root_ || absolute.startsWith(root_ + '/');
  if (!p.inside || absolute == root_) return p;
  QList<QByteArray> parts = absolute.mid(root_.size() + 1).split('/');
  p.name = parts.takeLast();
  p.dir = 0;
  for (const QByteArray& part : parts) {
    const auto it = nodes_[p.dir].names.find(part);
    p.dir = it == nodes_[p.dir].names.end() ? -1 : it->second;
    if (p.dir < 0 || !nodes_[p.dir].dir) return {true, -1, p.name};
  }
  return p;
}

int Model::at(const Place& p) const {
  if (!p.inside) return -1;
  if (p.name.isEmpty()) return 0;
  if (p.dir < 0) return -1;
  const auto it = nodes_[p.dir].names.find(p.name);
  return it == nodes_[p.dir].names.end() ? -1 : it->second;
}

int Model::fd_node(const TraceArg& fd) {
  const auto it = fds_.find(fd.number());
  if (it != fds_.end()) return it->second->node;
  return fd.path.isEmpty() || fd.deleted ? -1 : at(place(nullptr, fd.path));
}

namespace {

void apply_change(QByteArray& data, qint64 offset, const QByteArray& bytes, bool truncate) {
  if (data.size() < offset) data.append(offset - data.size(), '\0');
  if (truncate) {
    data.truncate(offset);
  } else {
    data = data.left(offset) + bytes + data.mid(offset + bytes.size());
  }
}

// Every name a folder has now or had at its last sync.
template <typename Folder>
std::set<QByteArray> names_ever(const Folder& d) {
  std::set<QByteArray> names;
  for (const auto& [name, node] : d.names) names.insert(name);
  for (const auto& [name, node] : d.synced_names) names.insert(name);
  return names;
}

}  // namespace

void Model::change(int node, const Change& c) {
  apply_change(nodes_[node].current, c.offset, c.bytes, c.truncate);
  nodes_[node].pending.push_back(c);
}

void Model::sync(int node) {
  Node& n = nodes_[node];
  n.synced_names = n.names;
  n.synced = n.current;
  n.pending.clear();
}

std::vector<Model::Cut> Model::cuts(const Node& n) const {
  std::vector<Cut> list{{0, 0}};
  for (size_t i = 0; i < n.pending.size(); ++i) {
    const Change& c = n.pending[i];
    if (!c.truncate) {
      for (qint64 b = (c.offset / kPage + 1) * kPage; b < c.offset + c.bytes.size(); b += kPage) {
        list.push_back({i, b - c.offset});
      }
    }
    list.push_back({i + 1, 0});
  }
  return list;
}

QByteArray Model::content(const Node& n, const Cut& cut) const {
  QByteArray data = n.synced;
  for (size_t i = 0; i < cut.changes; ++i) apply_change(data, n.pending[i].offset, n.pending[i].bytes, n.pending[i].truncate);
  if (cut.part > 0) {
    const Change& c = n.pending[cut.changes];
    apply_change(data, c.offset, c.bytes.left(cut.part), false);
  }
  return data;
}

bool Model::fail(const TraceEvent& e, const QString& why) {
  if (problem_.isEmpty()) problem_ = why + QStringLiteral(": ") + QString::fromLocal8Bit(event_text(e));
  return false;
}

bool Model::open(const TraceEvent& e, const TraceArg* dirfd, const QByteArray& path, const TraceArg& flags) {
  auto o = std::make_shared<Open>();
  o->append = flags.has_flag("O_APPEND");
  fds_[e.result] = o;
  const Place p = place(dirfd, path);
  int node = at(p);
  if (!p.inside) return false;
  if (flags.has_flag("O_TMPFILE")) {
    if (node < 0 || !nodes_[node].dir) return fail(e, QStringLiteral("unnamed file in an unknown directory"));
    o->node = add_node(false);
    return false;
  }
  bool changed = false;
  if (node < 0) {
    if (!flags.has_flag("O_CREAT") || p.dir < 0) return fail(e, QStringLiteral("opened a name the model lacks"));
    node = add_node(false);
    nodes_[p.dir].names[p.name] = node;
    changed = true;
  } else if (flags.has_flag("O_TRUNC") && !nodes_[node].dir && !nodes_[node].current.isEmpty()) {
    change(node, {0, {}, true});
    changed = true;
  }
  o->node = node;
  return changed;
}

bool Model::write(const TraceEvent& e) {
  const bool positioned = e.call.startsWith("pwrite");
  const auto it = fds_.find(e.arg(0).number());
  const int node = fd_node(e.arg(0));
  if (node >= 0 && (it == fds_.end() || nodes_[node].dir)) return fail(e, QStringLiteral("write to an unknown file"));
  if (node >= 0 && e.arg(1).cut && e.arg(1).text.size() < e.result) {
    return fail(e, QStringLiteral("strace shortened the bytes written"));
  }
  if (it == fds_.end()) return false;
  Open& o = *it->second;
  qint64 offset = positioned ? e.arg(3).number() : o.pos;
  if (!positioned && o.append && node >= 0) offset = nodes_[node].current.size();
  if (!positioned) o.pos = offset + e.result;
  if (node < 0 || e.result <= 0) return false;
  change(node, {offset, e.arg(1).text.left(e.result), false});
  return true;
}

bool Model::rename(const TraceEvent& e, const TraceArg* d1, const QByteArray& p1, const TraceArg* d2,
                   const QByteArray& p2, bool exchange) {
  const Place from = place(d1, p1), to = place(d2, p2);
  if (!from.inside && !to.inside) return false;
  const int node = at(from), other = at(to);
  if (node < 0 || from.dir < 0) return fail(e, QStringLiteral("renamed a name the model lacks"));
  if (to.inside && to.dir < 0) return fail(e, QStringLiteral("renamed into an unknown directory"));
  if (exchange && other < 0) return fail(e, QStringLiteral("exchanged with a name the model lacks"));
  if (exchange) {
    nodes_[from.dir].names[from.name] = other;
  } else {
    nodes_[from.dir].names.erase(from.name);
  }
  if (to.inside) nodes_[to.dir].names[to.name] = node;
  return true;
}

bool Model::link(const TraceEvent& e, const TraceArg* d1, const QByteArray& p1, const TraceArg* d2,
                 const QByteArray& p2, bool empty_path) {
  const Place to = place(d2, p2);
  if (!to.inside) return false;
  int node = -1;
  static const QRegularExpression proc_fd(QStringLiteral("^/proc/(self|\\d+)/fd/(\\d+)$"));
  const QRegularExpressionMatch m = proc_fd.match(QString::fromLocal8Bit(p1));
  if (empty_path && p1.isEmpty() && d1) {
    node = fd_node(*d1);
  } else if (m.hasMatch()) {
    const auto it = fds_.find(m.captured(2).toLongLong());
    node = it == fds_.end() ? -1 : it->second->node;
  } else {
    node = at(place(d1, p1));
  }
  if (node < 0) return fail(e, QStringLiteral("a file came from outside"));
  if (to.dir < 0) return fail(e, QStringLiteral("linked into an unknown directory"));
  nodes_[to.dir].names[to.name] = node;
  return true;
}

bool Model::remove(const TraceEvent& e, const TraceArg* dirfd, const QByteArray& path) {
  const Place p = place(dirfd, path);
  if (!p.inside) return false;
  if (p.dir < 0 || nodes_[p.dir].names.erase(p.name) == 0) return fail(e, QStringLiteral("removed a name the model lacks"));
  return true;
}

bool Model::make_dir(const TraceEvent& e, const TraceArg* dirfd, const QByteArray& path) {
  const Place p = place(dirfd, path);
  if (!p.inside) return false;
  if (p.dir < 0) return fail(e, QStringLiteral("made in an unknown directory"));
  const int node = add_node(true);
  nodes_[p.dir].names[p.name] = node;
  return true;
}

bool Model::apply(const TraceEvent& e) {
  const QByteArray& c = e.call;
  const TraceArg& a0 = e.arg(0);
  if (c == "openat") return open(e, &a0, e.arg(1).text, e.arg(2));
  if (c == "open") return open(e, nullptr, a0.text, e.arg(1));
  if (c == "creat") {
    TraceArg flags;
    flags.raw = "O_WRONLY|O_CREAT|O_TRUNC";
    return open(e, nullptr, a0.text, flags);
  }
  if (c == "write" || c == "writev" || c.startsWith("pwrite")) return write(e);
  if (c == "lseek") {
    if (const auto it = fds_.find(a0.number()); it != fds_.end()) it->second->pos = e.result;
    return false;
  }
  if (c == "ftruncate" || c == "truncate") {
    const int node = c == "ftruncate" ? fd_node(a0) : at(place(nullptr, a0.text));
    if (node < 0) return false;
    change(node, {e.arg(1).number(), {}, true});
    return true;
  }
  if (c == "fsync" || c == "fdatasync") {
    const int node = fd_node(a0);
    if (node < 0) return false;
    sync(node);
    ++syncs_;
    return true;
  }
  if (c == "sync" || c == "syncfs") {
    for (size_t n = 0; n < nodes_.size(); ++n) sync(static_cast<int>(n));
    ++syncs_;
    return true;
  }
  if (c == "close") {
    fds_.erase(a0.number());
    return false;
  }
  if (c == "dup" || c == "dup2" || c == "dup3" || (c == "fcntl" && e.arg(1).raw.startsWith("F_DUPFD"))) {
    const auto it = fds_.find(a0.number());
    if (it == fds_.end()) {
      fds_.erase(e.result);
    } else {
      fds_[e.result] = it->second;
    }
    return false;
  }
  if (c == "rename") return rename(e, nullptr, a0.text, nullptr, e.arg(1).text, false);
  if (c == "renameat" || c == "renameat2") {
    return rename(e, &a0, e.arg(1).text, &e.arg(2), e.arg(3).text, e.arg(4).has_flag("RENAME_EXCHANGE"));
  }
  if (c == "link") return link(e, nullptr, a0.text, nullptr, e.arg(1).text, false);
  if (c == "linkat") return link(e, &a0, e.arg(1).text, &e.arg(2), e.arg(3).text, e.arg(4).has_flag("AT_EMPTY_PATH"));
  if (c == "unlink" || c == "rmdir") return remove(e, nullptr, a0.text);
  if (c == "unlinkat") return remove(e, &a0, e.arg(1).text);
  if (c == "mkdir") return make_dir(e, nullptr, a0.text);
  if (c == "mkdirat") return make_dir(e, &a0, e.arg(1).text);
  if (c == "copy_file_range" || c == "sendfile") {
    if (fd_node(c == "sendfile" ? a0 : e.arg(2)) >= 0) return fail(e, QStringLiteral("copying calls are not modelled"));
    return false;
  }
  return false;
}

std::vector<Choice> Model::choices() const {
  std::vector<Choice> list;
  std::set<int> seen{0};
  std::vector<int> dirs{0};
  const auto reach = [&](int node) {
    if (!seen.insert(node).second) return;
    if (nodes_[node].dir) {
      dirs.push_back(node);
    } else if (!nodes_[node].pending.empty()) {
      list.push_back({node, QByteArray(), static_cast<int>(cuts(nodes_[node]).size())});
    }
  };
  while (!dirs.empty()) {
    const Node& d = nodes_[dirs.back()];
    const int dir = dirs.back();
    dirs.pop_back();
    for (const QByteArray& name : names_ever(d)) {
      const auto now = d.names.find(name);
      const auto then = d.synced_names.find(name);
      const bool has_now = now != d.names.end();
      const bool has_then = then != d.synced_names.end();
      if (has_now != has_then || (has_now && now->second != then->second)) list.push_back({dir, name, 2});
      if (has_now) reach(now->second);
      if (has_then) reach(then->second);
    }
  }
  return list;
}

Tree Model::state(const std::vector<int>& picks) const {
  const std::vector<Choice> list = choices();
  std::map<std::pair<int, QByteArray>, int> name_pick;
  std::map<int, int> cut_pick;
  for (size_t i = 0; i < list.size() && i < picks.size(); ++i) {
    if (list[i].name.isEmpty()) {
      cut_pick[list[i].node] = picks[i];
    } else {
      name_pick[{list[i].node, list[i].name}] = picks[i];
    }
  }
  Tree tree;
  std::map<int, std::vector<QByteArray>> file_names;
  std::map<int, QByteArray> file_bytes;
  std::set<int> visited{0};
  std::vector<std::pair<int, QByteArray>> dirs{{0, QByteArray()}};
  while (!dirs.empty()) {
    const auto [dir, prefix] = dirs.back();
    dirs.pop_back();
    const Node& d = nodes_[dir];
    for (const QByteArray& name : names_ever(d)) {
      const auto now = d.names.find(name);
      const auto then = d.synced_names.find(name);
      const auto pick = name_pick.find({dir, name});
      const bool present = pick == name_pick.end() || pick->second > 0;
      const auto bound = present ? now : then;
      if (bound == (present ? d.names.end() : d.synced_names.end())) continue;
      const int node = bound->second;
      const QByteArray path = prefix + name;
      if (nodes_[node].dir) {
        tree.dirs.insert(path);
        if (visited.insert(node).second) dirs.push_back({node, path + '/'});
        continue;
      }
      file_names[node].push_back(path);
      if (!file_bytes.count(node)) {
        const std::vector<Cut> options = cuts(nodes_[node]);
        const auto cut = cut_pick.find(node);
        file_bytes[node] = content(nodes_[node], options[cut == cut_pick.end() ? 0 : cut->second]);
      }
    }
  }
  add_files(tree, file_names, file_bytes);
  return tree;
}

Tree Model::present() const {
  std::vector<int> picks;
  for (const Choice& c : choices()) picks.push_back(c.options - 1);
  return state(picks);
}

}  // namespace crash
