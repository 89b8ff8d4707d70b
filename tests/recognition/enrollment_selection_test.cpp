#include "recognition/enrollment_selection.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vardo;

namespace {

Embedding direction(float angle)
{
    Embedding e(512, 0.0f);
    e[0] = std::cos(angle);
    e[1] = std::sin(angle);
    return e;
}

} // namespace

TEST(EnrollmentSelection, FewerThanFourSamplesAreKeptAsTheyAre)
{
    const std::vector<Embedding> samples{direction(0.0f), direction(3.0f), direction(1.5f)};
    EXPECT_EQ(selectEnrollmentEmbeddings(samples), samples);
}

TEST(EnrollmentSelection, IdenticalSamplesAreAllKept)
{
    const std::vector<Embedding> samples(25, direction(0.3f));
    EXPECT_EQ(selectEnrollmentEmbeddings(samples).size(), 25u);
}

TEST(EnrollmentSelection, AnOutlierIsDroppedAndTheOrderKept)
{
    std::vector<Embedding> samples;
    for (int i = 0; i < 9; ++i)
        samples.push_back(direction(0.02f * static_cast<float>(i % 3)));
    samples.insert(samples.begin() + 4, direction(2.0f)); // someone else
    const std::vector<Embedding> kept = selectEnrollmentEmbeddings(samples);
    ASSERT_EQ(kept.size(), 9u);
    std::vector<Embedding> expected = samples;
    expected.erase(expected.begin() + 4);
    EXPECT_EQ(kept, expected);
}

TEST(EnrollmentSelection, TheCutIsOneAndAHalfDeviationsBelowTheMean)
{
    // Similarities to the centroid spread evenly: only the far tail is cut.
    std::vector<Embedding> samples;
    for (int i = 0; i < 20; ++i)
        samples.push_back(direction(0.05f * static_cast<float>(i)));
    const Embedding centroid = normalizedMeanEmbedding(samples);
    std::vector<float> sims;
    float sum = 0.0f;
    for (const auto &s : samples) {
        sims.push_back(embeddingSimilarity(s, centroid));
        sum += sims.back();
    }
    const float mean = sum / 20.0f;
    float squares = 0.0f;
    for (float s : sims)
        squares += (s - mean) * (s - mean);
    const float cutoff = mean - 1.5f * std::sqrt(squares / 20.0f);
    std::size_t expected = 0;
    for (float s : sims)
        expected += s >= cutoff ? 1 : 0;
    ASSERT_LT(expected, 20u);
    EXPECT_EQ(selectEnrollmentEmbeddings(samples).size(), expected);
}
