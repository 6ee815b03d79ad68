#pragma once
// Failure injection for file writes, so that tests can see how a caller
// reports a failing or full disk. Faults apply to every WriteFile (and, for
// FailNthOpen, every CreateFileA) of the process until cleared.
//
//   for (unsigned n = 1;; ++n) {     // make each write fail in turn
//       ScopedFileFaults faults;
//       FailNthWrite(n, ERROR_WRITE_FAULT);
//       RunExport();                 // must report the failure cleanly
//       if (!FileFaultHappened()) break;  // n passed the last write
//   }

#include "platform/win32/types.h"

#include <cstdint>

// The n-th WriteFile from now (1: the next one) writes nothing and fails
// with the error.
void FailNthWrite(unsigned n, DWORD error);
// The n-th CreateFileA from now fails with the error.
void FailNthOpen(unsigned n, DWORD error);
// The disk takes this many more bytes in all; a write beyond them writes
// what still fits and fails with ERROR_DISK_FULL.
void LimitDiskSpace(std::uint64_t bytes);
// True once an injected fault has made a call fail.
bool FileFaultHappened();
void ClearFileFaults();

class ScopedFileFaults {
public:
    ScopedFileFaults() { ClearFileFaults(); }
    ~ScopedFileFaults() { ClearFileFaults(); }
    ScopedFileFaults(const ScopedFileFaults&) = delete;
    ScopedFileFaults& operator=(const ScopedFileFaults&) = delete;
};

// For the file functions: whether this call must fail, and with what error
// (0: go ahead); and how many of size bytes the disk still takes.
DWORD InjectedOpenFault();
DWORD InjectedWriteFault();
std::uint64_t DiskSpaceFor(std::uint64_t size);
