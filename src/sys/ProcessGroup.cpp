#include "sys/ProcessGroup.h"

#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

bool SignalGroup(long long group, int signalNumber) {
  // 0 and 1 would name our own group and init's; a negative id is not a group.
  if (group <= 1) return false;
  return ::kill(-static_cast<pid_t>(group), signalNumber) == 0;
}

}  // namespace

void LeadNewProcessGroup() {
  if (::setsid() < 0) ::setpgid(0, 0);
}

bool TerminateProcessGroup(long long group) { return SignalGroup(group, SIGTERM); }
bool KillProcessGroup(long long group) { return SignalGroup(group, SIGKILL); }
