#pragma once
// Thumbnails for the seasons windows, made in a pool of worker threads. A
// picture asked for last is made first, so the tiles on screen (which ask
// when they are drawn) come before those scrolled past. Thumbnails come from
// the desktop's thumbnail cache when it holds a fresh one, and the ones made
// here are written there; a read-only or damaged cache only means that
// thumbnails are made again. The interface thread only turns finished
// images into pixmaps.

#include <QCache>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <memory>

namespace seasons {

struct ThumbnailQueue;

// The longest side of an album tile's thumbnail, in pixels.
inline constexpr int AlbumTileSide = 72;

class ThumbnailLoader : public QObject {
  Q_OBJECT

 public:
  enum class State { Absent, Pending, Ready, NoPicture };

  // `side`: the longest side of a tile, in device pixels.
  ThumbnailLoader(int side, QString cache_root, QObject* parent = nullptr);
  ~ThumbnailLoader() override;

  // The thumbnail when it is ready (nullptr otherwise); asks for it, ahead
  // of the pictures asked for earlier, when it is neither ready nor known
  // to have no picture.
  const QPixmap* thumbnail(const QString& path);
  State state(const QString& path) const;
  // True when the thumbnail is ready or the picture is known to have none.
  bool settled(const QString& path) const { return pixmaps_.contains(path) || no_picture_.contains(path); }
  // Asks for thumbnails before their tiles are drawn (the last of them is
  // made first), so that the workers start while the window is built.
  void prefetch(const QStringList& paths);
  int side() const { return side_; }
  // True while a thumbnail asked for is still to come.
  bool busy() const { return !pending_.isEmpty(); }

  // Drops the pictures asked for and not yet started (the windows' content
  // changed).
  void forget_requests();

 Q_SIGNALS:
  void ready(const QString& path);
  // Every thumbnail asked for has come.
  void idle();

 private Q_SLOTS:
  // Queued by a worker when it leaves the first image in an empty queue.
  void take_made();

 private:
  void finished(const QString& path, const QImage& image);
  // Puts the picture at the front of the line (queue mutex held).
  void ask(const QString& path);

  int side_;
  QString cache_root_;
  std::shared_ptr<ThumbnailQueue> queue_;
  QThreadPool pool_;
  // Thumbnails in memory, cost in KiB; the least recently used go first.
  QCache<QString, QPixmap> pixmaps_;
  QSet<QString> no_picture_;
  QSet<QString> pending_;
};

// Makes one thumbnail as the workers do: from a fresh cached one, or by
// decoding the picture and writing the result into the cache. A null image
// when the picture is missing, not a regular file or cannot be decoded.
// `deliver`, when given, receives the image as soon as it is known, before
// the cache is written; `later`, when given, receives the writing of the
// cache to run when it suits.
QImage make_thumbnail(const QString& path, int side, const QString& cache_root,
                      const std::function<void(const QImage&)>& deliver = {},
                      const std::function<void(std::function<void()>)>& later = {});

}  // namespace seasons
