#pragma once

#include "recognition/embedding.h"
#include "recognition/face_observation.h"

#include <opencv2/core/types.hpp>

#include <functional>
#include <optional>
#include <vector>

namespace vardo {

// Lets a face that has plainly not moved keep the embedding an earlier analysed frame
// computed for it, so that an owner sitting still in front of the screen is embedded
// about once a second instead of six times.
//
// "Plainly the same face": the frame has the size and the number of faces of the frame
// before (a face that appears or leaves makes every face fresh, so a newcomer is embedded
// on the frame he appears), the face's box overlaps the box the embedding was computed
// from by at least minimumOverlap, and that embedding is at most maximumAge analysed
// frames old. An embedding made from a face with closed eyes is not taken for a face
// with open eyes: only eyes-open faces can be the owner, and a blink's embedding is the
// weaker one. Each earlier face serves at most one face of the new frame.
//
// Reuse is off unless allowed for the frame; while off every face is embedded afresh
// and still remembered, so a reuse can start right after.
class EmbeddingReuse {
public:
    // A face held still in front of a camera (shifts of 3 pixels, 2 % in scale, sensor
    // noise) keeps an overlap of 0.86 and more with its first box (0.96 typically) and an
    // embedding within 0.94 of the first. Faces moving between analysed frames overlap
    // 0.4 to 0.8, where the embedding already changes with the pose (0.58 at 0.81).
    static constexpr double minimumOverlap = 0.85;
    // Reused on at most five following frames: a face is embedded afresh at least once
    // in six analysed frames, about once a second.
    static constexpr int maximumAge = 5;

    // Set before each frame: whether this frame may take earlier embeddings.
    void setAllowed(bool allowed) { allowed_ = allowed; }

    // Starts a frame with faceCount faces.
    void startFrame(cv::Size frameSize, std::size_t faceCount);

    // This frame's embedding of the face: an earlier frame's when it qualifies (reused is
    // then set), otherwise whatever computeFresh returns. Either is remembered for the
    // next frame.
    std::optional<Embedding> embeddingFor(const FaceObservation &face, bool eyesOpen, bool &reused,
                                          const std::function<std::optional<Embedding>()> &computeFresh);

private:
    struct Kept {
        cv::Rect2d computedFrom; // the box of the frame the embedding was computed on
        bool eyesOpen = true;    // and whether that face had open eyes
        Embedding embedding;
        int age = 0; // analysed frames since it was computed
        bool taken = false;
    };
    Kept *earlierFor(const FaceObservation &face, bool eyesOpen);

    bool allowed_ = false;
    cv::Size frameSize_;
    std::size_t faceCount_ = 0;
    std::vector<Kept> earlier_;
    std::vector<Kept> current_;
};

} // namespace vardo
