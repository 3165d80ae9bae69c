#pragma once

#include <functional>
#include <vector>

namespace Bench {

double median(std::vector<double> values);
double seconds(const std::function<void()>& work);
// The median of runs timings of work.
double medianSeconds(int runs, const std::function<void()>& work);
// The largest resident size this process has had, in KiB.
long peakMemoryKiB();

} // namespace Bench
