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

// The pool that networks loaded from now on share: min(2, hardware threads) workers
// unless setNetworkThreadCount chose otherwise. Two is what the machines this runs on
// have, and more would only wait on each other for such small networks.
NetworkThreadPool sharedNetworkThreadPool();

// Networks loaded after this call run on that many threads (at least one); those loaded
// before keep the pool they have. For benchmarks that compare thread counts.
void setNetworkThreadCount(std::size_t threads);

} // namespace vardo
