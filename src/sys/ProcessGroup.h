#pragma once
// A child process and everything it starts, as one group to stop: the typesetting command's
// programs start their own programs (latexmk starts TeX, a script starts anything).

// In a child between fork and exec: makes it the leader of a new session and process group
// (whose id is its process id), away from any terminal, so that TeX cannot wait on one.
// Only async-signal-safe calls.
void LeadNewProcessGroup();

// Asks every process of the group to end (SIGTERM), or ends them outright (SIGKILL). False
// when the group has no process left (or group is not a valid id).
bool TerminateProcessGroup(long long group);
bool KillProcessGroup(long long group);
