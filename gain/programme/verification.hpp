// gain --verifier [--json] [courant <n> <pas>]: everything a run does before
// its first phase, and nothing after. config.ini and the command line are
// read and checked as a run reads them (its warnings and its stop included),
// the material model and the bounds of the work formed, the output paths
// tried, and no file is left written. Then every key as it was resolved, the
// material summary and the estimates of the bounds are printed, as JSON with
// --json (one object on standard output: the tools read it instead of keeping
// copies of the reader and of the material model). The exit status is the
// one the run would have.
#pragma once

int verifier_configuration(int argc, const char* const* argv);
