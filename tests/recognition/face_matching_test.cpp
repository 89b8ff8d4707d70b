#include "test_images.h"

#include "recognition/enrollment_selection.h"
#include "recognition/owner_matching.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace vardo;
using namespace vardo::testing;

namespace {

const std::vector<std::string> people{"John_Salley", "John_Savage", "John_Schneider", "Barack_Obama", "Joe_Biden"};

// The embedding of the first face of every photo of a person that gives one (whether the
// eyes are judged open or not: this is about telling people apart).
std::vector<Embedding> embeddingsOf(const std::string &person)
{
    std::vector<Embedding> embeddings;
    for (const auto &image : identityImages(person)) {
        const AnalysedFrame analysis = loadedAnalyzer().analyze(cameraFrameOf(image));
        if (!analysis.allEmbeddings.empty())
            embeddings.push_back(analysis.allEmbeddings.front());
    }
    return embeddings;
}

const std::map<std::string, std::vector<Embedding>> &allEmbeddings()
{
    static const auto all = [] {
        std::map<std::string, std::vector<Embedding>> byPerson;
        for (const auto &person : people)
            byPerson[person] = embeddingsOf(person);
        return byPerson;
    }();
    return all;
}

struct Trials {
    std::vector<float> genuine;
    std::vector<float> impostor;
};

// Enrol the first five photos of every person who has more; probe with that person's
// other photos (genuine) and with every photo of everyone else (impostor).
Trials acceptanceTrials()
{
    Trials trials;
    for (const auto &[person, embeddings] : allEmbeddings()) {
        if (embeddings.size() <= 5)
            continue;
        const std::vector<Embedding> enrolled =
            selectEnrollmentEmbeddings(std::vector<Embedding>(embeddings.begin(), embeddings.begin() + 5));
        for (std::size_t i = 5; i < embeddings.size(); ++i)
            trials.genuine.push_back(scoreAgainstEnrolled(enrolled, embeddings[i]).combined);
        for (const auto &[other, otherEmbeddings] : allEmbeddings()) {
            if (other == person)
                continue;
            for (const auto &e : otherEmbeddings)
                trials.impostor.push_back(scoreAgainstEnrolled(enrolled, e).combined);
        }
    }
    return trials;
}

} // namespace

// Enrolled from five photos, every other photo of the person matches at the lower two
// levels, and no photo of anyone else at any level.
TEST(FaceMatching, AcceptanceProtocol)
{
    for (const std::string person : {"John_Salley", "John_Savage", "John_Schneider"})
        ASSERT_EQ(allEmbeddings().at(person).size(), 11u) << person << ": a photo gave no embedding";
    const Trials trials = acceptanceTrials();
    ASSERT_GE(trials.genuine.size(), 18u);
    ASSERT_GE(trials.impostor.size(), 80u);
    for (int level : {0, 1, 2}) {
        const float threshold = matchThreshold(level);
        const auto atLeast = [&](float score) { return score >= threshold; };
        const auto accepted = std::count_if(trials.genuine.begin(), trials.genuine.end(), atLeast);
        const auto falselyAccepted = std::count_if(trials.impostor.begin(), trials.impostor.end(), atLeast);
        ::testing::Test::RecordProperty("TAR_" + std::to_string(level), accepted);
        ::testing::Test::RecordProperty("FAR_" + std::to_string(level), falselyAccepted);
        EXPECT_EQ(falselyAccepted, 0) << "threshold " << threshold;
        if (level < 2) {
            EXPECT_EQ(accepted, static_cast<long>(trials.genuine.size())) << "threshold " << threshold;
        }
    }
}
