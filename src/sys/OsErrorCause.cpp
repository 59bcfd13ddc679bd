#include "sys/OsErrorCause.h"

#include <errno.h>

#include <utility>

FileErrorCause CauseOfOsError(int error) {
  switch (error) {
    case ENOENT:
      return FileErrorCause::FileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:  // a folder where a file was asked for: refused, as other systems report it
      return FileErrorCause::AccessDenied;
    case ENAMETOOLONG:
    case ENOTDIR:
    case ELOOP:
    case EINVAL:
    case EILSEQ:  // a name the file system cannot store
      return FileErrorCause::BadPath;
    case EMFILE:
    case ENFILE:
      return FileErrorCause::TooManyOpenFiles;
    case EIO:
      return FileErrorCause::HardIO;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:  // the file may not grow further here: a limit, like a quota
      return FileErrorCause::DiskFull;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case ENOLCK:
    case EDEADLK:
      return FileErrorCause::LockViolation;
    case ETXTBSY:
    case EBUSY:
      return FileErrorCause::SharingViolation;
    case EBADF:
      return FileErrorCause::InvalidFile;
    case ESPIPE:
      return FileErrorCause::BadSeek;
    case EOVERFLOW:
      return FileErrorCause::TooLarge;
    default:
      return FileErrorCause::Generic;
  }
}

FileResult OsFailure(int error, std::string detail) {
  return FileResult{CauseOfOsError(error), error, std::move(detail)};
}
