#include "recognition/network_threads.h"

#include <pthreadpool.h>
#include <xnnpack.h>

#include <algorithm>
#include <mutex>

namespace vardo {

namespace {

std::mutex poolMutex;
NetworkThreadPool pool;
std::size_t threadCount = 1;

NetworkThreadPool makePool(std::size_t threads)
{
    return NetworkThreadPool(pthreadpool_create(threads), [](pthreadpool *p) { pthreadpool_destroy(p); });
}

} // namespace

bool initializeNetworkRuntime(std::string &reason)
{
    static const xnn_status status = xnn_initialize(nullptr);
    if (status == xnn_status_success)
        return true;
    reason = status == xnn_status_unsupported_hardware ? "this processor is not supported by XNNPACK"
                                                       : "XNNPACK could not be initialised";
    return false;
}

NetworkThreadPool sharedNetworkThreadPool()
{
    const std::lock_guard lock(poolMutex);
    if (!pool)
        pool = makePool(threadCount);
    return pool;
}

void setNetworkThreadCount(std::size_t threads)
{
    const std::lock_guard lock(poolMutex);
    threadCount = std::max<std::size_t>(1, threads);
    pool.reset();
}

} // namespace vardo
