#pragma once
// Signals that would end the program in the middle of a save.

// From start-up on: a file size limit makes a write fail with EFBIG instead of sending
// SIGXFSZ, and a pipe or socket closed by the other end fails with EPIPE instead of SIGPIPE.
void IgnoreWriteSignals();

// In a child between fork and exec: the default actions back, which an ignored signal would
// otherwise keep across exec. Only async-signal-safe calls.
void RestoreWriteSignals();
