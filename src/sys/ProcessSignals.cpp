#include "sys/ProcessSignals.h"

#include <signal.h>

void IgnoreWriteSignals() {
  ::signal(SIGXFSZ, SIG_IGN);
  ::signal(SIGPIPE, SIG_IGN);
}

void RestoreWriteSignals() {
  ::signal(SIGXFSZ, SIG_DFL);
  ::signal(SIGPIPE, SIG_DFL);
}
