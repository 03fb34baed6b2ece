#pragma once

namespace orvel::cli::StandardOutput {

/// Makes a write to a closed pipe fail rather than end the program, so that the failure is
/// noticed and the program can leave quietly (`orvel scan big.log | head`).
void prepare();

/// Whether standard output is a pipe whose reader has gone.
bool isClosedPipe();

/// Flushes standard output and answers the exit status: `status` when everything was written
/// or the reader of a pipe has gone, else 2 after a message with the system's reason.
int finish(int status);

} // namespace orvel::cli::StandardOutput
