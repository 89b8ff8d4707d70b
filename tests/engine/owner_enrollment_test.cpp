// Enrolment from 25 samples taken at least a second apart, with the outliers dropped.

#include "engine_harness.h"

namespace vardo::test {
namespace {

// Equally similar to the centroid, so none is an outlier.
std::vector<Embedding> ownerSamples(std::size_t count = 25)
{
    std::vector<Embedding> samples;
    for (std::size_t k = 0; k < count; ++k)
        samples.push_back(leaning(0, 0.8f, 1 + k));
    return samples;
}

using EnrollmentSamples = EngineTest;

TEST_F(EnrollmentSamples, ASampleWithinOneSecondOfTheLastIsIgnoredAndDoesNotRestartTheWait)
{
    VardoService &s = start();
    std::vector<double> published;
    QObject::connect(&s, &VardoService::enrollmentProgressChanged,
                     [&] { published.push_back(s.enrollmentProgress()); });
    s.startEnrollment();
    const auto samples = ownerSamples(4);

    s.addEnrollmentSample(samples[0]);
    const double first = platform.time.now();
    advance(0.9);
    s.addEnrollmentSample(samples[1]);
    EXPECT_EQ(s.lastEnrollmentSampleTime(), first);

    // 1.5 s after the accepted sample, 0.6 s after the ignored one.
    advance(0.6);
    s.addEnrollmentSample(samples[2]);
    advance(1.0); // exactly one second later
    s.addEnrollmentSample(samples[3]);
    EXPECT_EQ(published, (std::vector<double>{1.0 / 25.0, 2.0 / 25.0, 3.0 / 25.0}));
}

TEST_F(EnrollmentSamples, TwentyFifthSampleCompletesEnrollmentInTheSameCall)
{
    VardoService &s = start();
    const auto samples = ownerSamples();
    enrol(std::vector<Embedding>(samples.begin(), samples.begin() + 24));
    EXPECT_EQ(platform.secrets.itemCount(), 0u);

    platform.log.clear();
    advance(1.0);
    s.addEnrollmentSample(samples[24]);
    EXPECT_EQ(s.enrollmentCompletedTime(), platform.time.now());
    EXPECT_TRUE(sameBits(storedSet().value(), samples));
    EXPECT_TRUE(platform.defaults.boolean("vardo_has_enrolled_face"));
    // Saved first, then announced.
    EXPECT_EQ(faceIdLines(platform.log),
              (std::vector<std::string>{"[FaceID] Save to Data Protection Keychain status: 0 (0 = success)",
                                        "[FaceID] Enrollment complete — 25 embeddings saved"}));

    s.cancelEnrollment(); // after completion: nothing to cancel
    EXPECT_TRUE(s.isOwnerEnrolled());
}

TEST_F(EnrollmentSamples, OutlierIsDroppedAndTheOthersKeepTheirOrderButIdenticalSamplesAreAllKept)
{
    start();
    auto samples = ownerSamples(24);
    samples.insert(samples.begin() + 10, axis(400));
    enrol(samples);
    auto expected = samples;
    expected.erase(expected.begin() + 10);
    EXPECT_TRUE(sameBits(storedSet().value(), expected));
    EXPECT_TRUE(platform.log.contains("[FaceID] Enrollment complete — 24 embeddings saved"));

    enrol(std::vector<Embedding>(25, leaning(3, 0.6f, 4)));
    EXPECT_EQ(storedSet().value().size(), 25u);
}

// The embedding is the dearest step of a frame, so the analysis makes none unless they
// are read; but an enrolment that did not ask for them would never receive a sample. A
// still face may keep an earlier one only while the unlocked screen is watched: samples
// must be new looks, and the way in must be judged on the frame itself.
TEST_F(EnrollmentSamples, EmbeddingsAreMadeOnlyWhenReadAndFreshForEnrolmentAndTheLockedScreen)
{
    using Need = FrameAnalysis::EmbeddingNeed;
    VardoService &s = start();
    EXPECT_EQ(analysis.embeddingNeed(), Need::none);
    s.startEnrollment();
    EXPECT_EQ(analysis.embeddingNeed(), Need::fresh);
    s.cancelEnrollment();
    EXPECT_EQ(analysis.embeddingNeed(), Need::none);
    enrol(ownerSamples());
    EXPECT_EQ(analysis.embeddingNeed(), Need::recentWillDo);
    s.lockScreen();
    EXPECT_EQ(analysis.embeddingNeed(), Need::fresh);
    s.unlockWithPassword("owner-password");
    settle();
    ASSERT_FALSE(s.isLocked());
    EXPECT_EQ(analysis.embeddingNeed(), Need::recentWillDo);
    s.startEnrollment(); // re-enrolling an enrolled owner
    EXPECT_EQ(analysis.embeddingNeed(), Need::fresh);
    s.cancelEnrollment();
    s.resetFaceEnrollment();
    EXPECT_EQ(analysis.embeddingNeed(), Need::none);

    startEnrolledWith(ownerSamples()); // the stored set, read at start
    EXPECT_EQ(analysis.embeddingNeed(), Need::recentWillDo);
}

// A cancelled enrolment is in FirstStartRoad (tests/app).
TEST_F(EnrollmentSamples, ReEnrolmentStartsFromNoSamples)
{
    VardoService &s = start();
    enrol(ownerSamples());
    ASSERT_TRUE(s.isOwnerEnrolled());
    s.startEnrollment();
    advance(1.0);
    s.addEnrollmentSample(axis(9));
    // One new sample, not 26 old and new ones that would complete at once.
    EXPECT_TRUE(s.isEnrolling());
    EXPECT_EQ(s.enrollmentProgress(), 1.0 / 25.0);
}

} // namespace
} // namespace vardo::test
