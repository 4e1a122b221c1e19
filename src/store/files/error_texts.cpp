#include "store/files/error_texts.h"

#include <cerrno>

namespace store {

namespace {

const QString kNoPermission = QStringLiteral("アクセスが許可されていません");
const QString kUnexpected = QStringLiteral("予期しないエラーが発生しました");

}  // namespace

QString known_errno_text(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return QStringLiteral("ディスクの空きが足りません");
    case EACCES:
    case EPERM:
      return kNoPermission;
    case EROFS:
      return QStringLiteral("読み取り専用の場所です");
    case ENOENT:
      return QStringLiteral("ファイルがありません");
    case EISDIR:
    case ENOTDIR:
      return QStringLiteral("フォルダとファイルが食い違っています");
    case EEXIST:
      return QStringLiteral("同じ名前のファイルがすでにあります");
    case EFBIG:
      return QStringLiteral("ファイルが大きすぎます");
    case EIO:
      return QStringLiteral("装置の読み書きでエラーが発生しました");
    default:
      return {};
  }
}

QString errno_reason(int error) {
  const QString known = known_errno_text(error);
  return known.isEmpty() ? QStringLiteral("%1（%2）").arg(kUnexpected).arg(error) : known;
}

QString file_error_reason(QFileDevice::FileError error, const QString& detail) {
  QString reason;
  switch (error) {
    case QFileDevice::PermissionsError:
      reason = kNoPermission;
      break;
    case QFileDevice::ResourceError:
      reason = QStringLiteral("ディスクの空きが足りないか、資源が不足しています");
      break;
    case QFileDevice::OpenError:
      reason = QStringLiteral("ファイルを開けません");
      break;
    case QFileDevice::WriteError:
      reason = QStringLiteral("書き込み中にエラーが発生しました");
      break;
    case QFileDevice::ReadError:
      reason = QStringLiteral("読み込み中にエラーが発生しました");
      break;
    case QFileDevice::RemoveError:
      reason = QStringLiteral("削除できません");
      break;
    case QFileDevice::RenameError:
      reason = QStringLiteral("一時ファイルを置き換えられません");
      break;
    default:
      reason = kUnexpected;
      break;
  }
  if (!detail.isEmpty()) reason += QStringLiteral("（") + detail + QStringLiteral("）");
  return reason;
}

}  // namespace store
