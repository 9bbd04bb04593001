#pragma once
// Counts the heap allocations of the whole program (operator new is replaced where this file's
// source is linked in): how many, and the most bytes in use at once.
#include <cstddef>

namespace qm::testing {

struct AllocationCounts {
    long long Allocations = 0;
    // The most bytes in use at once since the scope began, above what was in use then.
    long long PeakBytes = 0;
    // The bytes in use now, above what was in use when the scope began.
    long long HeldBytes = 0;
};

// Measures from its construction on.
class AllocationScope {
public:
    AllocationScope();
    AllocationCounts Counts() const;

private:
    long long allocationsAtStart_;
    long long bytesAtStart_;
};

} // namespace qm::testing
