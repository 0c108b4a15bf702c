#include "Stats.h"

#include <algorithm>
#include <cmath>
#include <numeric>

double percentile(std::vector<double> samples, double p) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100 * samples.size()));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

double mean(const std::vector<double>& samples) {
    if (samples.empty()) return 0;
    return std::accumulate(samples.begin(), samples.end(), 0.0) / samples.size();
}

double standardDeviation(const std::vector<double>& samples) {
    if (samples.size() < 2) return 0;
    const double centre = mean(samples);
    double sum = 0;
    for (double sample : samples) sum += (sample - centre) * (sample - centre);
    return std::sqrt(sum / (samples.size() - 1));
}
