#include "support/processusage.h"

#include <sys/resource.h>

namespace {
rusage usage()
{
    rusage result{};
    getrusage(RUSAGE_SELF, &result);
    return result;
}
}  // namespace

namespace ProcessUsage {

double cpuSeconds()
{
    const rusage now = usage();
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(now.ru_utime) + seconds(now.ru_stime);
}

double peakResidentMiB()
{
    return double(usage().ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

}  // namespace ProcessUsage
