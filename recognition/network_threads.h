#pragma once

#include <cstddef>
#include <memory>
#include <string>

struct pthreadpool;

namespace vardo {

// The worker threads the face networks run on, one pool for all of them: the analysis
// runs one network at a time, so a pool per network would only add idle threads.
using NetworkThreadPool = std::shared_ptr<pthreadpool>;

// Prepares XNNPACK for this process (once; later calls only repeat the answer). False,
// with the reason, when this processor cannot run it.
bool initializeNetworkRuntime(std::string &reason);

// The pool that networks loaded from now on share: one thread (the caller's) unless
// setNetworkThreadCount chose otherwise. On the 2-core machines this runs on, a second
// thread gained a few milliseconds a frame at best and lost more as soon as anything else
// wanted the cores: the detector's 140 small operations each end in a wait for the
// slower thread, and the waiting doubled the processor time of an analysed frame.
NetworkThreadPool sharedNetworkThreadPool();

// Networks loaded after this call run on that many threads (at least one); those loaded
// before keep the pool they have. For benchmarks that compare thread counts.
void setNetworkThreadCount(std::size_t threads);

} // namespace vardo
