#pragma once
// Folders that only the user may enter: where the open channel's socket and the backups of
// files written in place live.
#include <string>

#include "sys/FileResult.h"

// Makes path, with any missing parents (mode 0700), and checks that it is a folder of the
// user's own, not a link, that no one else may enter; a folder of ours with wider bits is
// narrowed first.
FileResult MakePrivateFolder(const std::string& path);

// $XDG_RUNTIME_DIR when it is the user's own with mode 0700; otherwise a private folder of
// our own in the temporary folder. Empty when neither can be had: a shared folder is never
// taken instead.
std::string PrivateRuntimeFolder();

// Where the backups of files written in place go when their own folder may not be written:
// $XDG_STATE_HOME/mirev/backup (by default ~/.local/state/mirev/backup), made private.
FileResult PrivateBackupFolder(std::string& folder);
