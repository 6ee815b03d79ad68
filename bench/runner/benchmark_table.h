#pragma once
// The benchmark table: for each calendar size, parsing, importing into a
// fresh store (each conflict resolution) and exporting (one file, one file
// per item), timed and measured in child processes, with libical's parse
// and serialization of the same files beside them and the goals checked.

#include <string>
#include <vector>

struct TableOptions {
    std::string self;     // this program, run again for its step modes
    std::string quillane; // the quillane binary
    std::string work = "/tmp/quillane-bench";
    std::vector<int> sizes = {10000, 100000};
    // Sizes above this are only parsed (import and export are not run).
    int storeLimit = 100000;
};

// "10000,100000" as sizes; empty when any part is not a positive number.
std::vector<int> ParseSizes(const std::string& text);

// Runs every step and prints the table and the goals to stdout; 0 when
// every step ran, 1 when one failed.
int PrintBenchmarkTable(const TableOptions& options);
