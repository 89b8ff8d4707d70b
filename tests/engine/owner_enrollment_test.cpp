// Enrolment from 25 samples taken at least a second apart, with the outliers dropped.

#include "tests/engine/enrollment_fixture.h"

#include "platform/defaults_store.h"

namespace vardo::test {
namespace {

// Distinct samples of one face: each leans on axis 0 by the same amount, so every one
// of them has bit for bit the same similarity to the centroid and none is an outlier.
std::vector<Embedding> ownerSamples(std::size_t count = 25)
{
    std::vector<Embedding> samples;
    for (std::size_t k = 0; k < count; ++k)
        samples.push_back(leaning(0, 0.8f, 1 + k));
    return samples;
}

using EnrollmentSamples = ServiceOnSimulatedPlatform;

TEST_F(EnrollmentSamples, SampleWithinOneSecondOfTheLastIsIgnoredAndDoesNotRestartTheWait)
{
    VardoService &s = start();
    s.startEnrollment();
    const auto samples = ownerSamples(3);

    s.addEnrollmentSample(samples[0]);
    const double first = now();
    EXPECT_EQ(s.enrollmentProgress(), 1.0 / 25.0);

    advance(0.9);
    s.addEnrollmentSample(samples[1]);
    EXPECT_EQ(s.enrollmentSamples().size(), 1u);
    EXPECT_EQ(s.enrollmentProgress(), 1.0 / 25.0);
    EXPECT_EQ(s.lastEnrollmentSampleTime(), first);

    // 1.5 s after the accepted sample, 0.6 s after the ignored one.
    advance(0.6);
    s.addEnrollmentSample(samples[2]);
    ASSERT_EQ(s.enrollmentSamples().size(), 2u);
    EXPECT_EQ(s.enrollmentSamples()[1], samples[2]);
    EXPECT_EQ(s.enrollmentProgress(), 2.0 / 25.0);
}

TEST_F(EnrollmentSamples, SampleExactlyOneSecondLaterIsTaken)
{
    VardoService &s = start();
    s.startEnrollment();
    s.addEnrollmentSample(axis(0));
    advance(1.0);
    s.addEnrollmentSample(axis(0));
    EXPECT_EQ(s.enrollmentSamples().size(), 2u);
}

TEST_F(EnrollmentSamples, TwentyFifthSampleCompletesEnrollmentInTheSameCall)
{
    VardoService &s = start();
    const auto samples = ownerSamples();
    enrol(std::vector<Embedding>(samples.begin(), samples.begin() + 24));
    EXPECT_TRUE(s.isEnrolling());
    EXPECT_FALSE(s.isOwnerEnrolled());
    EXPECT_EQ(s.enrollmentProgress(), 24.0 / 25.0);
    EXPECT_TRUE(s.ownerFaceEmbeddings().empty());
    EXPECT_EQ(platform.secrets.itemCount(), 0u);

    platform.log.clear();
    advance(1.0);
    s.addEnrollmentSample(samples[24]);
    EXPECT_FALSE(s.isEnrolling());
    EXPECT_TRUE(s.isOwnerEnrolled());
    EXPECT_EQ(s.enrollmentProgress(), 1.0);
    EXPECT_EQ(s.enrollmentCompletedTime(), now());
    EXPECT_TRUE(sameBits(s.ownerFaceEmbeddings(), samples));
    EXPECT_TRUE(sameBits(storedSet().value(), samples));
    EXPECT_TRUE(platform.defaults.boolean("vardo_has_enrolled_face"));
    // Saved first, then announced.
    EXPECT_EQ(faceIdLines(platform.log),
              (std::vector<std::string>{"[FaceID] Save to Data Protection Keychain status: 0 (0 = success)",
                                        "[FaceID] Enrollment complete — 25 embeddings saved"}));
}

TEST_F(EnrollmentSamples, ProgressIsPublishedForEverySampleTaken)
{
    VardoService &s = start();
    std::vector<double> published;
    QObject::connect(&s, &VardoService::enrollmentProgressChanged,
                     [&] { published.push_back(s.enrollmentProgress()); });
    s.startEnrollment();
    s.addEnrollmentSample(axis(0));
    s.addEnrollmentSample(axis(0)); // at the same moment: ignored
    advance(1.0);
    s.addEnrollmentSample(axis(0));
    EXPECT_EQ(published, (std::vector<double>{1.0 / 25.0, 2.0 / 25.0}));
}

TEST_F(EnrollmentSamples, IdenticalSamplesAreAllKept)
{
    VardoService &s = start();
    enrol(std::vector<Embedding>(25, leaning(3, 0.6f, 4)));
    EXPECT_EQ(s.ownerFaceEmbeddings().size(), 25u);
    EXPECT_EQ(storedSet().value().size(), 25u);
    EXPECT_TRUE(platform.log.contains("[FaceID] Enrollment complete — 25 embeddings saved"));
}

TEST_F(EnrollmentSamples, OutlierIsDroppedAndTheOthersKeepTheirOrder)
{
    VardoService &s = start();
    auto samples = ownerSamples(24);
    const Embedding stranger = axis(400);
    samples.insert(samples.begin() + 10, stranger);
    enrol(samples);

    auto expected = samples;
    expected.erase(expected.begin() + 10);
    EXPECT_TRUE(sameBits(s.ownerFaceEmbeddings(), expected));
    EXPECT_TRUE(sameBits(storedSet().value(), expected));
    EXPECT_TRUE(platform.log.contains("[FaceID] Enrollment complete — 24 embeddings saved"));
    // All 25 were collected; only the kept ones make the enrolled set.
    EXPECT_EQ(s.enrollmentSamples().size(), 25u);
}

TEST_F(EnrollmentSamples, ReEnrolmentStartsFromNoSamples)
{
    VardoService &s = start();
    enrol(ownerSamples());
    ASSERT_TRUE(s.isOwnerEnrolled());

    s.startEnrollment();
    EXPECT_TRUE(s.isEnrolling());
    EXPECT_TRUE(s.enrollmentSamples().empty());
    EXPECT_EQ(s.enrollmentProgress(), 0.0);
    advance(1.0);
    s.addEnrollmentSample(axis(9));
    // One new sample, not 26 old and new ones that would complete at once.
    EXPECT_TRUE(s.isEnrolling());
    EXPECT_EQ(s.enrollmentProgress(), 1.0 / 25.0);
}

TEST_F(EnrollmentSamples, CancelStopsARunningEnrollmentAndZeroesItsProgress)
{
    VardoService &s = start();
    const auto samples = ownerSamples();
    enrol(std::vector<Embedding>(samples.begin(), samples.begin() + 5));
    s.cancelEnrollment();
    EXPECT_FALSE(s.isEnrolling());
    EXPECT_EQ(s.enrollmentProgress(), 0.0);
    EXPECT_FALSE(s.isOwnerEnrolled());
    EXPECT_EQ(platform.secrets.itemCount(), 0u);
}

TEST_F(EnrollmentSamples, CancelAfterCompletionLeavesTheCompletedProgress)
{
    VardoService &s = start();
    enrol(ownerSamples());
    s.cancelEnrollment();
    EXPECT_EQ(s.enrollmentProgress(), 1.0);
    EXPECT_TRUE(s.isOwnerEnrolled());
}

TEST_F(EnrollmentSamples, EnrolledSetIsLoadedAtTheNextStart)
{
    start();
    const auto samples = ownerSamples();
    enrol(samples);
    platform.log.clear();

    VardoService &again = start();
    EXPECT_TRUE(again.isOwnerEnrolled());
    EXPECT_FALSE(again.isEnrolling());
    EXPECT_TRUE(sameBits(again.ownerFaceEmbeddings(), samples));
    EXPECT_EQ(faceIdLines(platform.log),
              (std::vector<std::string>{
                  "[FaceID] Data Protection Keychain query status: 0 (0 = success, -25300 = not found)",
                  "[FaceID] Loaded 25 enrolled embeddings from Data Protection Keychain"}));
}

TEST_F(EnrollmentSamples, EnrolledOwnerIsMatchedAndAStrangerIsNot)
{
    VardoService &s = start();
    enrol(ownerSamples());
    EXPECT_TRUE(s.matchesOwner(leaning(0, 0.8f, 30)));
    EXPECT_FALSE(s.matchesOwner(axis(400)));
}

} // namespace
} // namespace vardo::test
