// What a command's text says beyond its result, noted for the machine-readable output:
// that it answered with the help text instead of doing anything, or that a step it
// reports as failed did not make the command fail.
#pragma once

struct CommandOutcome {
  bool help_shown = false;
  bool failure_reported = false;
};
