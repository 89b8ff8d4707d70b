#include "recognition/embedding_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <random>

namespace vardo {
namespace {

// Every finite float, denormals and both zeros included, is as likely as any other bit
// pattern; the ends of the range are set explicitly.
std::vector<Embedding> randomSet(std::size_t count, std::size_t length, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<Embedding> set(count, Embedding(length));
    for (Embedding &embedding : set) {
        for (float &value : embedding) {
            do {
                value = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
            } while (!std::isfinite(value));
        }
    }
    using limits = std::numeric_limits<float>;
    const float extremes[] = {
        0.0f, -0.0f, limits::denorm_min(), -limits::denorm_min(), limits::min(), -limits::min(),
        std::nextafter(limits::min(), 0.0f), limits::max(), -limits::max(), 1.0f,
        std::nextafter(1.0f, 2.0f), 0.1f, -0.2f, 16777216.0f, 16777217.0f, 1e-5f, 3.0e-39f,
    };
    for (std::size_t i = 0; i < std::size(extremes) && i < length; ++i)
        set.front()[i] = extremes[i];
    return set;
}

// The bit patterns, so that -0 differs from 0 and a value one bit off is caught.
std::vector<std::vector<std::uint32_t>> bits(const std::vector<Embedding> &set)
{
    std::vector<std::vector<std::uint32_t>> out;
    for (const Embedding &embedding : set)
        std::transform(embedding.begin(), embedding.end(), std::back_inserter(out.emplace_back()),
                       [](float v) { return std::bit_cast<std::uint32_t>(v); });
    return out;
}

TEST(EmbeddingCodec, EverySetReadsBackBitForBit)
{
    const auto roundTrip = [](const std::vector<Embedding> &set) {
        const auto json = encodeEmbeddings(set);
        ASSERT_TRUE(json);
        const auto decoded = decodeEmbeddings(*json);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(bits(*decoded), bits(set));
    };
    roundTrip(randomSet(50, 512, 20240601));
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(seed);
        roundTrip(randomSet(3, 64, seed));
    }
    roundTrip({});
    roundTrip({Embedding{}});
    // Of all finite floats only this one (and its negative) comes back one bit off when
    // its shortest text is read as a double and then narrowed to a float.
    const float value = std::bit_cast<float>(std::uint32_t{0x15ae43fd});
    EXPECT_EQ(encodeEmbeddings({{value, -value}}), "[[7.038531e-26,-7.038531e-26]]");
    EXPECT_NE(std::bit_cast<std::uint32_t>(static_cast<float>(7.038531e-26)), std::uint32_t{0x15ae43fd});
    roundTrip({{value, -value}});
}

TEST(EmbeddingCodec, WritesCompactJsonWithShortestFloatTextsAndRefusesWhatJsonCannotHold)
{
    EXPECT_EQ(encodeEmbeddings({{0.1f, -0.2f, 1.0f}, {-0.0f, 1e-5f, 0.33333334f}}),
              "[[0.1,-0.2,1],[-0,1e-05,0.33333334]]");
    EXPECT_EQ(encodeEmbeddings({}), "[]");
    EXPECT_EQ(encodeEmbeddings({{}, {}}), "[[],[]]");
    EXPECT_EQ(encodeEmbeddings({{std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max()}}),
              "[[1e-45,3.4028235e+38]]");
    EXPECT_FALSE(encodeEmbeddings({{1.0f, std::numeric_limits<float>::quiet_NaN()}}));
    EXPECT_FALSE(encodeEmbeddings({{0.0f}, {std::numeric_limits<float>::infinity()}}));
    EXPECT_FALSE(encodeEmbeddings({{-std::numeric_limits<float>::infinity()}}));
}

TEST(EmbeddingCodec, ReadsAnyJsonSpellingRoundingOnceToTheNearestFloat)
{
    const std::string bytes = "[[0.5,-1],[2]]";
    const std::pair<std::string, std::vector<Embedding>> cases[] = {
        {" \n[ [1, 2.5e-1 ,-3E+2,\t0.0] ,\r\n[ ] ,[-0,7e0]]\n", {{1.0f, 0.25f, -300.0f, 0.0f}, {}, {-0.0f, 7.0f}}},
        // 0.1 as a double is not 0.1f; read as a float directly it is.
        {"[[0.1000000000000000055511151231257827,0.10000000149011612,16777217,1.00000005960464477539062500001]]",
         {{0.1f, 0.1f, 16777216.0f, std::nextafter(1.0f, 2.0f)}}},
        {"[[1e-50,-1e-50,7e-46]]", {{0.0f, -0.0f, 0.0f}}}, // below the range: signed zero
    };
    for (const auto &[text, expected] : cases) {
        const auto decoded = decodeEmbeddings(text);
        ASSERT_TRUE(decoded) << text;
        EXPECT_EQ(bits(*decoded), bits(expected)) << text;
    }
    EXPECT_EQ(decodeEmbeddings(Bytes(bytes.begin(), bytes.end())), (std::vector<Embedding>{{0.5f, -1.0f}, {2.0f}}));
}

TEST(EmbeddingCodec, AnythingButArraysOfFloatsIsMissing)
{
    const char *invalid[] = {
        "", "   ", "[", "]", "[[1]", "[[1]]]", "[[1]] x", "[[1]],[[2]]", "{}", "[{}]", "[[{}]]",
        R"([["0.1","0.2"]])", R"(["a"])", "[1,2]", "[[[1]]]", "[[1],2]", "[[true]]", "[[null]]",
        "[[1,]]", "[[,1]]", "[[1 2]]", "[[1],]", "[,[1]]", "[[01]]", "[[+1]]", "[[.5]]", "[[1.]]",
        "[[1e]]", "[[1e+]]", "[[-]]", "[[NaN]]", "[[Infinity]]", "[[-inf]]", "[[0x10]]",
        "\xEF\xBB\xBF[[1]]", "null", "0", "[[1e39]]", "[[0.5],[-3.5e38]]",
    };
    for (const char *text : invalid)
        EXPECT_FALSE(decodeEmbeddings(std::string_view(text))) << "'" << text << "'";
    EXPECT_FALSE(decodeEmbeddings(std::string_view("[[1]]\0", 6)));
}

} // namespace
} // namespace vardo
