#include "replay/replay_synthetic_faces.h"

#include "liveness/face_region.h"

#include <opencv2/imgproc.hpp>

#include <random>

namespace vardo {

namespace {

// Length of the noise added to a unit direction. Two sightings then agree to about
// 1 / (1 + noise²) = 0.86.
constexpr float sightingNoise = 0.4f;

// A direction drawn uniformly from the cube [-1, 1]^n and normalised: not uniform on the
// sphere, which does not matter here, but free of the library's distributions, whose
// results the standard leaves to each implementation.
Embedding randomDirection(std::uint64_t seed)
{
    std::mt19937_64 generator(seed);
    Embedding vector(embeddingLength);
    for (float &v : vector)
        v = static_cast<float>(static_cast<double>(generator() >> 11) / 4503599627370496.0 - 1.0);
    return l2Normalize(std::move(vector));
}

std::uint64_t mix(std::uint64_t a, std::uint64_t b)
{
    // splitmix64 of the pair: neighbouring sample keys give unrelated seeds.
    std::uint64_t z = a ^ (b + 0x9E3779B97F4A7C15ull + (a << 6) + (a >> 2));
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Enrolled samples use keys from the top of the range, frames count up from 0.
constexpr std::uint64_t enrolledSampleBase = 0xFFFF'FFFF'0000'0000ull;

// Skin under room light as the texture check sees it: fine noise of some twenty grey levels
// around a skin tone, drawn from the sample key so every run draws the same.
void drawFace(cv::Mat &frame, const cv::Rect &where, const SyntheticFace &face, std::uint64_t sample)
{
    if (face.screen) {
        // A phone held up: its dark body reaches well beyond the face on every side.
        const int marginX = where.width / 6, marginY = where.height / 6;
        const cv::Rect body = cv::Rect(where.x - marginX, where.y - marginY, where.width + 2 * marginX,
                                       where.height + 2 * marginY)
            & cv::Rect(0, 0, frame.cols, frame.rows);
        cv::rectangle(frame, body, cv::Scalar(25, 25, 28), cv::FILLED);
    }
    cv::Mat skin = frame(where);
    skin.setTo(cv::Scalar(120, 140, 175));
    if (!face.live)
        return;
    std::mt19937_64 generator(mix(stableTextHash(face.who), sample));
    for (int y = 0; y < skin.rows; ++y)
        for (int x = 0; x < skin.cols; ++x) {
            const int shade = static_cast<int>(generator() % 41) - 20;
            auto &pixel = skin.at<cv::Vec3b>(y, x);
            for (int c = 0; c < 3; ++c)
                pixel[c] = cv::saturate_cast<uchar>(pixel[c] + shade);
        }
}

const cv::Size syntheticFrameSize{640, 480};

} // namespace

std::uint64_t stableTextHash(std::string_view text)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

Embedding syntheticPersonDirection(std::string_view name)
{
    return randomDirection(stableTextHash(name));
}

Embedding syntheticPersonEmbedding(std::string_view name, std::uint64_t sample)
{
    const std::uint64_t person = stableTextHash(name);
    Embedding sighting = randomDirection(person);
    const Embedding noise = randomDirection(mix(person, sample));
    for (std::size_t i = 0; i < sighting.size(); ++i)
        sighting[i] += sightingNoise * noise[i];
    return l2Normalize(std::move(sighting));
}

std::vector<Embedding> syntheticEnrolledSet(std::string_view name, std::size_t count)
{
    std::vector<Embedding> set;
    set.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        set.push_back(syntheticPersonEmbedding(name, enrolledSampleBase + i));
    return set;
}

FrameResults syntheticFrameResults(const std::vector<SyntheticFace> &faces, std::uint64_t firstSample)
{
    FrameResults results;
    results.faceCount = static_cast<qint64>(faces.size());
    results.frame = cv::Mat(syntheticFrameSize, CV_8UC3, cv::Scalar(90, 100, 110));
    for (std::size_t i = 0; i < faces.size(); ++i) {
        const SyntheticFace &face = faces[i];
        FaceObservation observation;
        const double width = 0.8 / static_cast<double>(faces.size());
        observation.boundingBox = cv::Rect2d(0.1 + width * static_cast<double>(i) + width * 0.1, 0.3,
                                             width * 0.8, std::min(0.4, width * 0.8));
        observation.confidence = face.gated ? 0.3f : 0.95f;
        results.observations.push_back(observation);
        drawFace(results.frame,
                 wholePixelsInside(facePixelRect(observation.boundingBox, syntheticFrameSize), syntheticFrameSize),
                 face, firstSample + i);
        if (face.gated)
            continue;
        Embedding embedding = syntheticPersonEmbedding(face.who, firstSample + i);
        if (face.eyesOpen)
            results.openEyeEmbeddings.push_back(embedding);
        results.allEmbeddings.push_back(std::move(embedding));
    }
    return results;
}

} // namespace vardo
