#include "app/FileCommands.h"

#include <QApplication>
#include <QRegularExpression>

#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/DialogTexts.h"
#include "app/DocumentTemplate.h"
#include "app/FilePath.h"
#include "app/ShellDocument.h"
#include "doc/CVeloDoc.h"
#include "res/Resources.h"

namespace {

const FileFilter kAllFiles{QStringLiteral("all files (*.*)"), {QStringLiteral("*")}};

// Characters that Qt accepts inside a filter's parentheses, apart from the ones with a
// meaning in a glob ("[", "]") or in the filter text itself (blank, "(", ")").
bool CarriesInQtFilter(QChar c) {
  if (c.unicode() >= 0x80) return false;
  if (c.isLetterOrNumber()) return true;
  return QStringView(u"_.,*?+#-@{}/!<>$%&=^~:|").contains(c);
}

int CauseMessageId(FileErrorCause cause) {
  switch (cause) {
    case FileErrorCause::Generic:
      return IDS_FILE_GENERIC;
    case FileErrorCause::FileNotFound:
      return IDS_FILE_NOT_FOUND;
    case FileErrorCause::BadPath:
      return IDS_FILE_BAD_PATH;
    case FileErrorCause::TooManyOpenFiles:
      return IDS_FILE_TOO_MANY_OPEN;
    case FileErrorCause::AccessDenied:
      return IDS_FILE_ACCESS_DENIED;
    case FileErrorCause::InvalidFile:
      return IDS_FILE_INVALID_FILE;
    case FileErrorCause::RemoveCurrentDir:
      return IDS_FILE_REMOVE_CURRENT_DIR;
    case FileErrorCause::DirectoryFull:
      return IDS_FILE_DIRECTORY_FULL;
    case FileErrorCause::BadSeek:
      return IDS_FILE_BAD_SEEK;
    case FileErrorCause::HardIO:
      return IDS_FILE_HARD_IO;
    case FileErrorCause::SharingViolation:
      return IDS_FILE_SHARING_VIOLATION;
    case FileErrorCause::LockViolation:
      return IDS_FILE_LOCK_VIOLATION;
    case FileErrorCause::DiskFull:
      return IDS_FILE_DISK_FULL;
    case FileErrorCause::EndOfFile:
      return IDS_FILE_END_OF_FILE;
    // No cause text says "too large"; the operation's own message is the honest one.
    case FileErrorCause::TooLarge:
    case FileErrorCause::None:
      break;
  }
  return 0;
}

QString FailureMessage(const FileResult& result, const QString& path, int fallbackId) {
  const int causeId = CauseMessageId(result.cause);
  QString message =
      causeId == 0 ? ResText(fallbackId) : ResText(causeId).replace(QStringLiteral("%1"), DisplayPath(path));
  // The old text could not be put back after a failed write in place: say where it is.
  if (!result.keptBackup.empty()) {
    const QString backup = DisplayPath(PathFromBytes(QByteArray::fromStdString(result.keptBackup)));
    message += u'\n' + ResText(IDS_FILE_BACKUP_KEPT).replace(QStringLiteral("%1"), backup);
  }
  return message;
}

void ShowWarning(DialogService& dialogs, QWidget* owner, const QString& text) {
  dialogs.MessageBox(owner, ResText(IDS_APP_TITLE), text, DialogService::Buttons::Ok,
                     DialogService::Icon::Warning);
}

// A path without a file name at its end can never be created as a file.
bool NamesAFile(const QString& path) {
  const QString name = PathFileName(path);
  return !name.isEmpty() && name != u"." && name != u".." && !path.contains(QChar(0));
}

// Writes the document to path, reporting a failure; the modified flag is cleared only by
// a complete write.
bool WriteDocument(CVeloDoc& doc, const QString& path, DialogService& dialogs, QWidget* owner) {
  if (!NamesAFile(path)) {
    ShowWarning(dialogs, owner, ResText(IDS_INVALID_FILENAME));
    return false;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const FileResult result = WriteTextFile(PathStdBytes(path), doc);
  QApplication::restoreOverrideCursor();
  if (result.Ok()) return true;
  ShowWarning(dialogs, owner, SaveFailureMessage(result, path));
  return false;
}

QString TexExtension() { return QString::fromUtf8(StringField(IDR_TEXTYPE, kDocFieldFilterExt)); }

}  // namespace

QString QtGlobFromPattern(QStringView pattern) {
  QString glob;
  for (const QChar c : pattern.trimmed()) {
    if (c.isLetter() && c.unicode() < 0x80) {
      glob += u'[';
      glob += c.toLower();
      glob += c.toUpper();
      glob += u']';
    } else {
      glob += CarriesInQtFilter(c) ? c : QChar(u'?');
    }
  }
  return glob;
}

QList<FileFilter> OpenDialogFilters(const std::string& readExtList) {
  FileFilter listed{QStringLiteral("plain txt"), {}};
  for (const QString& pattern : QString::fromStdString(readExtList).split(u';')) {
    const QString glob = QtGlobFromPattern(pattern);
    if (!glob.isEmpty()) listed.patterns << glob;
  }
  return {listed, kAllFiles};
}

void OnFileOpen(Settings& settings, DialogService& dialogs, QWidget* owner,
                const std::function<void(const QString&)>& openByPath) {
  if (settings.readExtList.empty()) settings.readExtList = "*.txt";
  FileDialogRequest request;
  request.filters = OpenDialogFilters(settings.readExtList);
  if (const std::optional<QString> path = dialogs.GetOpenFileName(owner, request)) openByPath(*path);
}

void OnFileOpen(CMirevApp& app) {
  OnFileOpen(app.GetSettings(), app.Dialogs(), app.MainFrame(),
             [&app](const QString& path) { app.OpenDocumentFile(path); });
}

bool OnFileSave(ShellDocument& doc) {
  if (!doc.IsModified()) return true;
  if (doc.PathName().isEmpty()) return OnFileSaveAs(doc);
  CMirevApp& app = doc.Template().App();
  return WriteDocument(doc.Doc(), doc.PathName(), app.Dialogs(), app.MainFrame());
}

bool OnFileSaveAs(ShellDocument& doc) {
  CMirevApp& app = doc.Template().App();
  DialogService& dialogs = app.Dialogs();
  QWidget* owner = app.MainFrame();
  const QString ext = QString::fromStdString(app.GetSettings().defaultExt);
  FileDialogRequest request;
  request.filters = {kAllFiles};
  request.initialName = u'.' + ext;
  request.defaultSuffix = ext;
  request.confirmOverwrite = true;
  const std::optional<QString> path = dialogs.GetSaveFileName(owner, request);
  if (!path) return false;
  const bool written = WriteDocument(doc.Doc(), *path, dialogs, owner);
  // The chosen path sticks even after a failed write, so the next Save tries it again.
  doc.SetPathName(*path, true);
  return written;
}

QString ProposedSaveName(const ShellDocument& doc) {
  if (!doc.PathName().isEmpty()) return doc.PathName();
  QString name = doc.Title();
  static const QRegularExpression stop(QStringLiteral("[ #%;/\\\\]"));
  const qsizetype cut = name.indexOf(stop);
  if (cut >= 0) name.truncate(cut);
  return name + TexExtension();
}

bool SaveModified(ShellDocument& doc) {
  if (!doc.IsModified()) return true;
  CMirevApp& app = doc.Template().App();
  DialogService& dialogs = app.Dialogs();
  QWidget* owner = app.MainFrame();
  const QString path = doc.PathName();
  const QString name = path.isEmpty() ? doc.Title() : DisplayPath(PathFileName(path));
  const QString question = ResText(IDS_ASK_TO_SAVE).replace(QStringLiteral("%1"), name);
  switch (dialogs.MessageBox(owner, ResText(IDS_APP_TITLE), question, DialogService::Buttons::YesNoCancel,
                             DialogService::Icon::Warning)) {
    case DialogService::Answer::No:
      return true;
    case DialogService::Answer::Yes:
      break;
    default:
      return false;
  }
  if (IsWritableFile(path)) {
    return WriteDocument(doc.Doc(), path, dialogs, owner);
  }

  const QString texExt = TexExtension();
  FileDialogRequest request;
  request.title = ResText(IDS_SAVE_AS_TITLE);
  request.filters = {
      {QString::fromUtf8(StringField(IDR_TEXTYPE, kDocFieldFilterName)), {u'*' + QtGlobFromPattern(texExt)}},
      {ResText(IDS_ALL_FILES_FILTER), {QStringLiteral("*")}},
  };
  request.initialName = ProposedSaveName(doc);
  request.defaultSuffix = texExt.mid(1);
  request.confirmOverwrite = true;
  const std::optional<QString> chosen = dialogs.GetSaveFileName(owner, request);
  if (!chosen || !WriteDocument(doc.Doc(), *chosen, dialogs, owner)) return false;
  doc.SetPathName(*chosen, true);
  return true;
}

QString ReadFailureMessage(const FileResult& result, const QString& path) {
  return FailureMessage(result, path, IDS_FAILED_TO_OPEN_DOC);
}

QString SaveFailureMessage(const FileResult& result, const QString& path) {
  return FailureMessage(result, path, IDS_FAILED_TO_SAVE_DOC);
}

void ReportReadFailure(DialogService& dialogs, QWidget* owner, const FileResult& result,
                       const QString& path) {
  ShowWarning(dialogs, owner, ReadFailureMessage(result, path));
}
