#pragma once
// Summaries of timing samples.

#include <vector>

// Nearest-rank percentile, p in [0, 100]; 0 for no samples.
double percentile(std::vector<double> samples, double p);
double mean(const std::vector<double>& samples);
double standardDeviation(const std::vector<double>& samples);
