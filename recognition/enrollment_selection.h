#pragma once

#include "recognition/embedding.h"

#include <vector>

namespace vardo {

// Drops the outliers of an enrollment: samples whose similarity to the set's normalised
// centroid lies more than 1.5 standard deviations (population) below the mean
// similarity. Fewer than four samples are kept as they are, the kept ones stay in their
// order, and a cut that would keep nothing keeps everything.
std::vector<Embedding> selectEnrollmentEmbeddings(const std::vector<Embedding> &samples);

} // namespace vardo
