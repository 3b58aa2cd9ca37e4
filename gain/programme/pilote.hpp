// The program gain from start to end: one pass through the phases, in order.
#pragma once

// Runs gain in the current folder (config.ini there) and returns its exit
// status: 0 at the normal end, 1 after a stop with a message, 255 after an
// allocation failure.
int executer_gain(int argc, const char* const* argv);
