// kznhost's commands end to end, as a person runs them over map files: each a process of its
// own, timed from its start to its exit, beside the physical floor of the same file work (reading
// and writing the same number of bytes with plain file I/O).
#pragma once

#include <benchmark/benchmark.h>

namespace kznbench {

// The map: LABELS labels on one layer, 50 one-square patterns, one to three symbols per form
// (two a label on average), and its text-to-object result (every label replaced by its symbols
// on its layer). The files are made once per size and kept until the program ends; with DIR set
// (--maps=DIR) they are made there and left for a person to look at.
void SetMapsFolder(const char* dir);

// `kznhost run` of filter t2o (load the table, OK) with --out; floor: the map read, the result
// written.
void CommandRun(benchmark::State& state, int labels);
// `kznhost render --scale 0.1` and `kznhost legend` of the result to PNG; floor: the result
// read, the picture written.
void CommandRender(benchmark::State& state, int labels);
void CommandLegend(benchmark::State& state, int labels);
// `kznhost diff` of the map and the result; floor: both read, the report written.
void CommandDiff(benchmark::State& state, int labels);

// kznhost serve's answer to a click on a row of text to object's label list, with the list's
// picture as it then shows, the handler driven directly (no network), the table loaded.
void ServeAction(benchmark::State& state, int labels);

}  // namespace kznbench
