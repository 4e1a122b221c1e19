#include "seasons/thumbnail_loader.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QHash>
#include <QRunnable>
#include <atomic>
#include <functional>
#include <deque>
#include <map>
#include <mutex>
#include <vector>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/files/worker_threads.h"
#include "store/seasons/thumbnail_cache.h"
#include "ui/picture.h"
#include "ui/thread_handoff.h"

namespace seasons {

// What the workers share with the loader; it outlives the loader while a
// worker still holds it.
struct ThumbnailQueue {
  // A standard mutex, not a QMutex: ThreadSanitizer sees its locking, also
  // when it is contended (QMutex then waits inside Qt, out of its sight).
  std::mutex mutex;
  // Waiting pictures by the turn they were last asked for; the latest is
  // taken first.
  std::map<quint64, QString> waiting;
  QHash<QString, quint64> turn_of;
  quint64 next_turn = 0;
  // Thumbnails made and still to be written into the cache: written when no
  // picture waits, so that the tiles on screen come first.
  std::deque<std::function<void()>> writes;
  // Thumbnails made and not yet taken by the loader on the interface thread.
  std::vector<std::pair<QString, QImage>> made;
  int workers = 0;

  void ask(const QString& path) {
    const auto old = turn_of.constFind(path);
    if (old != turn_of.constEnd()) waiting.erase(*old);
    waiting.emplace(next_turn, path);
    turn_of.insert(path, next_turn++);
  }
  void clear() {
    waiting.clear();
    turn_of.clear();
  }
  // Writes held back at most; beyond, they are done before the next picture,
  // so that the thumbnails held stay few.
  static constexpr size_t kHeldWrites = 256;
  std::atomic_bool stopping{false};
};

namespace {

constexpr int kMemoryKiB = 32 * 1024;

// A thumbnail from the cache folder of one size, when it is there, is a
// picture and stands for the file. Its texts are read from the PNG chunks
// themselves: Qt's reader does not hand back keys that hold a colon.
QImage cached_thumbnail(const QString& file, const QByteArray& uri, qint64 mtime) {
  const QFileInfo info(file);
  if (!info.isFile() || info.size() > 4 * 1024 * 1024) return {};
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = f.readAll();
  const QHash<QByteArray, QByteArray> texts = store::png_texts(bytes);
  if (!store::thumbnail_is_fresh(texts.value("Thumb::URI"), QString::fromLatin1(texts.value("Thumb::MTime")), uri,
                                 mtime)) {
    return {};
  }
  // A damaged file reads as no image and is made again.
  return QImage::fromData(bytes, "png");
}

QByteArray png_bytes(const QImage& image, const QByteArray& uri, qint64 mtime, qint64 file_size, QSize own) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  // Compressed as zlib's default level does: a 128-pixel thumbnail of a
  // photo takes a few kilobytes instead of the 37 KB of its raw pixels, and
  // costs little beside decoding the picture. For PNG, Qt maps the quality
  // 0..100 onto zlib's levels 9..0; 34 gives level 6.
  writer.setQuality(34);
  if (!writer.write(image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB888)))
    return {};
  return store::with_png_texts(buffer.data(), {{"Thumb::URI", uri},
                                               {"Thumb::MTime", QByteArray::number(mtime)},
                                               {"Thumb::Size", QByteArray::number(file_size)},
                                               {"Thumb::Image::Width", QByteArray::number(own.width())},
                                               {"Thumb::Image::Height", QByteArray::number(own.height())},
                                               {"Software", "Verdalis"}});
}

qint64 modified_seconds(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
  return static_cast<qint64>(st.st_mtim.tv_sec);
}

QImage fitted(const QImage& image, int side) {
  if (image.isNull() || (image.width() <= side && image.height() <= side)) return image;
  return image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The workers yield to the interface thread: with every core decoding,
// drawing the tiles and answering the user come first. A nice value is the
// thread's own on Linux; a pool thread keeps it, and the pool is ours.
void lower_priority() {
  thread_local bool lowered = false;
  if (lowered) return;
  lowered = true;
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), std::min(19, ::getpriority(PRIO_PROCESS, 0) + 5));
}

class Worker : public QRunnable {
 public:
  Worker(std::shared_ptr<ThumbnailQueue> queue, ThumbnailLoader* loader, int side, QString root)
      : queue_(std::move(queue)), loader_(loader), side_(side), root_(std::move(root)) {}

  void run() override {
    ui::taken_over(this);
    lower_priority();
    for (;;) {
      QString path;
      std::function<void()> write;
      {
        const std::lock_guard lock(queue_->mutex);
        const bool decode = !queue_->waiting.empty() && queue_->writes.size() < ThumbnailQueue::kHeldWrites;
        if (queue_->stopping || (!decode && queue_->writes.empty())) {
          queue_->writes.clear();
          --queue_->workers;
          return;
        }
        if (decode) {
          const auto latest = std::prev(queue_->waiting.end());
          path = latest->second;
          queue_->waiting.erase(latest);
          queue_->turn_of.remove(path);
        } else {
          write = std::move(queue_->writes.front());
          queue_->writes.pop_front();
        }
      }
      if (write) {
        write();
        continue;
      }
      // The image goes through the queue; the posted call carries nothing,
      // so nothing crosses the threads through Qt's event queue.
      const auto deliver = [&](const QImage& image) {
        bool first = false;
        {
          const std::lock_guard lock(queue_->mutex);
          if (queue_->stopping) return;
          queue_->made.emplace_back(path, image);
          first = queue_->made.size() == 1;
        }
        if (first) QMetaObject::invokeMethod(loader_, "take_made", Qt::QueuedConnection);
      };
      const auto hold = [&](std::function<void()> w) {
        const std::lock_guard lock(queue_->mutex);
        queue_->writes.push_back(std::move(w));
      };
      make_thumbnail(path, side_, root_, deliver, hold);
    }
  }

 private:
  std::shared_ptr<ThumbnailQueue> queue_;
  ThumbnailLoader* loader_;
  int side_;
  QString root_;
};

}  // namespace

QImage make_thumbnail(const QString& path, int side, const QString& cache_root,
                      const std::function<void(const QImage&)>& deliver,
                      const std::function<void(std::function<void()>)>& later) {
  const auto done = [&](const QImage& image) {
    if (deliver) deliver(image);
    return image;
  };
  // Only regular files are opened; a FIFO or a folder is never read.
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isFile()) return done({});
  const QString absolute = info.absoluteFilePath();
  const QByteArray uri = store::thumbnail_uri(absolute);
  // The file's own seconds since the epoch: going through a local-time
  // QDateTime would call mktime() (and tzset()) for every picture.
  const qint64 mtime = modified_seconds(path);
  const QString name = store::thumbnail_file_name(uri);
  for (const store::ThumbnailSize size : {store::ThumbnailSize::Normal, store::ThumbnailSize::Large}) {
    const QImage cached = cached_thumbnail(store::thumbnail_dir(cache_root, size) + QLatin1Char('/') + name, uri, mtime);
    if (!cached.isNull()) return done(fitted(cached, side));
  }
  QSize own;
  const QImage image = ui::read_thumbnail(path, store::thumbnail_pixels(store::ThumbnailSize::Normal), &own);
  if (image.isNull()) return done({});
  // The tile is shown first; the cache is written after.
  const QImage shown = done(fitted(image, side));
  if (!store::is_inside_thumbnail_cache(cache_root, absolute)) {
    auto write = [image, uri, mtime, size = info.size(), own, name,
                  dir = store::thumbnail_dir(cache_root, store::ThumbnailSize::Normal)] {
      const QByteArray png = png_bytes(image, uri, mtime, size, own);
      // A cache that cannot be written to is no failure: the thumbnail is
      // only made again next time.
      if (!png.isEmpty()) store::write_thumbnail_file(dir, name, png);
    };
    if (later) {
      later(std::move(write));
    } else {
      write();
    }
  }
  return shown;
}

ThumbnailLoader::ThumbnailLoader(int side, QString cache_root, QObject* parent)
    : QObject(parent), side_(side), cache_root_(std::move(cache_root)), queue_(std::make_shared<ThumbnailQueue>()) {
  pool_.setMaxThreadCount(store::worker_threads());
  pixmaps_.setMaxCost(kMemoryKiB);
}

ThumbnailLoader::~ThumbnailLoader() {
  {
    const std::lock_guard lock(queue_->mutex);
    queue_->stopping = true;
    queue_->clear();
  }
  pool_.waitForDone();
}

ThumbnailLoader::State ThumbnailLoader::state(const QString& path) const {
  if (pixmaps_.contains(path)) return State::Ready;
  if (no_picture_.contains(path)) return State::NoPicture;
  if (pending_.contains(path)) return State::Pending;
  return State::Absent;
}

const QPixmap* ThumbnailLoader::thumbnail(const QString& path) {
  if (const QPixmap* p = pixmaps_.object(path)) return p;
  if (no_picture_.contains(path)) return nullptr;
  const std::lock_guard lock(queue_->mutex);
  ask(path);
  return nullptr;
}

void ThumbnailLoader::prefetch(const QStringList& paths) {
  const std::lock_guard lock(queue_->mutex);
  for (const QString& path : paths) {
    if (!pending_.contains(path) && !pixmaps_.contains(path) && !no_picture_.contains(path)) ask(path);
  }
}

void ThumbnailLoader::ask(const QString& path) {
  // A picture drawn again while it waits moves to the front of the line.
  const bool started = pending_.contains(path) && !queue_->turn_of.contains(path);
  if (started) return;
  pending_.insert(path);
  queue_->ask(path);
  if (queue_->workers < pool_.maxThreadCount()) {
    ++queue_->workers;
    auto* worker = new Worker(queue_, this, side_, cache_root_);
    ui::handed_over(worker);
    pool_.start(worker);
  }
}

void ThumbnailLoader::forget_requests() {
  const std::lock_guard lock(queue_->mutex);
  for (const auto& [turn, path] : queue_->waiting) pending_.remove(path);
  queue_->clear();
}

void ThumbnailLoader::take_made() {
  // A screen scrolled into sight finishes dozens of thumbnails at once;
  // turning them into pixmaps a few milliseconds per turn of the event
  // loop keeps the window answering in between, and the rest follow in
  // the next turn.
  constexpr qint64 kTurnNs = 3'000'000;
  QElapsedTimer spent;
  spent.start();
  std::vector<std::pair<QString, QImage>> made;
  {
    const std::lock_guard lock(queue_->mutex);
    made.swap(queue_->made);
  }
  size_t taken = 0;
  while (taken < made.size() && (taken == 0 || spent.nsecsElapsed() < kTurnNs)) {
    finished(made[taken].first, made[taken].second);
    ++taken;
  }
  if (taken == made.size()) return;
  {
    const std::lock_guard lock(queue_->mutex);
    queue_->made.insert(queue_->made.begin(), std::make_move_iterator(made.begin() + static_cast<std::ptrdiff_t>(taken)),
                        std::make_move_iterator(made.end()));
  }
  QMetaObject::invokeMethod(this, "take_made", Qt::QueuedConnection);
}

void ThumbnailLoader::finished(const QString& path, const QImage& image) {
  pending_.remove(path);
  if (image.isNull()) {
    no_picture_.insert(path);
  } else {
    auto* pixmap = new QPixmap(QPixmap::fromImage(image));
    pixmaps_.insert(path, pixmap, std::max<qint64>(1, pixmap->width() * pixmap->height() * 4 / 1024));
  }
  Q_EMIT ready(path);
  if (pending_.isEmpty()) Q_EMIT idle();
}

}  // namespace seasons
