// The fuzz targets linked into one replay program: each target's
// LLVMFuzzerTestOneInput is compiled under a name of its own, and the build
// generates the table of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct FuzzTarget {
  const char* name;
  int (*run)(const uint8_t* data, size_t size);
};

const std::vector<FuzzTarget>& FuzzTargets();
