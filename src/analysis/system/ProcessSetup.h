// What both programs do first: standard streams that are open, and termination signals that
// wind the work down the way Cancel does instead of ending the process on the spot.
#pragma once

namespace pagetally {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed: otherwise the next file the
// program opens would take that number, and an error line or a child's message would be written
// into it. Returns the closed ones as a bit set (bit n for descriptor n).
unsigned openMissingStandardStreams() noexcept;

// From now on SIGINT, SIGTERM and SIGHUP cancel every batch (requestInterrupt), so that children
// are ended and extraction folders removed before the program ends; with `wakeFd` >= 0 each
// such signal also writes a byte there, to wake an event loop.
void catchTerminationSignals(int wakeFd = -1) noexcept;

// Ends the process as `signal` would have, with its default action, once the work is wound
// down; the shell then reports the usual status (130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP).
[[noreturn]] void endBySignal(int signal) noexcept;

} // namespace pagetally
