#include "recognition/embedding.h"
#include "recognition/face_embedding_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

using namespace vardo;

namespace {

float length(const Embedding &e)
{
    return std::sqrt(std::inner_product(e.begin(), e.end(), e.begin(), 0.0f));
}

} // namespace

TEST(L2Normalize, DividesByTheEuclideanLength)
{
    const Embedding e = l2Normalize({3.0f, 0.0f, -4.0f});
    ASSERT_EQ(e.size(), 3u);
    EXPECT_FLOAT_EQ(e[0], 0.6f);
    EXPECT_FLOAT_EQ(e[1], 0.0f);
    EXPECT_FLOAT_EQ(e[2], -0.8f);
}

TEST(L2Normalize, ZeroAndEmptyVectorsComeBackUnchanged)
{
    EXPECT_EQ(l2Normalize(Embedding(512, 0.0f)), Embedding(512, 0.0f));
    EXPECT_TRUE(l2Normalize({}).empty());
}

TEST(EmbeddingSimilarity, IsTheDotProductOfEqualLengthVectors)
{
    EXPECT_FLOAT_EQ(embeddingSimilarity({0.6f, 0.8f}, {0.8f, 0.6f}), 0.96f);
    EXPECT_FLOAT_EQ(embeddingSimilarity({1.0f, 0.0f}, {-1.0f, 0.0f}), -1.0f);
}

TEST(EmbeddingSimilarity, DifferentOrZeroLengthsGiveZero)
{
    EXPECT_EQ(embeddingSimilarity({1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}), 0.0f);
    EXPECT_EQ(embeddingSimilarity({}, {}), 0.0f);
}

TEST(NormalizedMeanEmbedding, IsTheNormalisedElementWiseMean)
{
    const Embedding mean = normalizedMeanEmbedding({{1.0f, 0.0f}, {0.0f, 1.0f}});
    EXPECT_FLOAT_EQ(mean[0], std::sqrt(0.5f));
    EXPECT_FLOAT_EQ(mean[1], std::sqrt(0.5f));
    EXPECT_TRUE(normalizedMeanEmbedding({}).empty());
}

TEST(ModelOutput, ShortOutputIsPaddedWithZerosAndNormalisedOverItsValues)
{
    std::vector<float> output(128);
    std::iota(output.begin(), output.end(), 1.0f);
    const Embedding e = embeddingFromModelOutput(output.data(), output.size());
    ASSERT_EQ(e.size(), 512u);
    EXPECT_NEAR(length(e), 1.0f, 1e-6f);
    const float norm = std::sqrt(std::inner_product(output.begin(), output.end(), output.begin(), 0.0f));
    for (std::size_t i = 0; i < 128; ++i)
        EXPECT_FLOAT_EQ(e[i], output[i] / norm);
    for (std::size_t i = 128; i < 512; ++i)
        EXPECT_EQ(e[i], 0.0f) << i;
}

TEST(ModelOutput, LongOutputIsCutAt512)
{
    std::vector<float> output(600, 0.0f);
    output[511] = 2.0f;
    output[512] = 100.0f; // beyond the cut: must not count
    const Embedding e = embeddingFromModelOutput(output.data(), output.size());
    ASSERT_EQ(e.size(), 512u);
    EXPECT_FLOAT_EQ(e[511], 1.0f);
}

TEST(ModelOutput, AllZeroOutputStaysZeroAndMatchesNothing)
{
    const std::vector<float> output(512, 0.0f);
    const Embedding e = embeddingFromModelOutput(output.data(), output.size());
    EXPECT_EQ(e, Embedding(512, 0.0f));
    const Embedding unit = l2Normalize(Embedding(512, 1.0f));
    EXPECT_EQ(embeddingSimilarity(e, unit), 0.0f);
}
