// How much of a job may run beside the calling thread. Pipelines (pictures
// of later inputs decoded while earlier pages are written, the temporary
// page file written behind) ask here how many worker threads they may keep
// busy; each bounds its work in flight by that number, so memory stays flat
// in the page count. Their outputs are byte-identical to the sequential
// road, which VN_SEQUENTIAL=1 in the environment forces (the tests compare
// the two).
#pragma once

namespace vn {

// 0 when the environment sets VN_SEQUENTIAL to anything but "" or "0", or
// when the machine has one hardware thread; otherwise one less than the
// hardware threads, at most 2. Read once per process.
int PipelineWorkers();

}  // namespace vn
