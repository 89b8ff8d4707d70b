#pragma once

#include "platform/log_sink.h"
#include "recognition/embedding.h"
#include "recognition/face_observation.h"
#include "recognition/xnnpack_network.h"

#include <opencv2/core.hpp>

#include <filesystem>
#include <optional>

namespace vardo {

// The on-device face-embedding network ("face_embedding.onnx"): reads one RGB face image
// of 112 x 112 pixels with raw 0..255 values (NCHW float32 in the file; run channels-last
// on XNNPACK) and gives one vector of floats, 512 expected. Not thread-safe: one instance
// per thread that runs it.
class FaceEmbeddingModel {
public:
    static constexpr const char *fileName = "face_embedding.onnx";

    // Finds the file in the model folders (see model_locator.h) and loads it.
    bool load(LogSink &log);
    // Loads that file and checks it with one inference. Writes
    // "[FaceID] Embedding model loaded successfully" or
    // "[FaceID] Failed to load embedding model: <reason>"; after a failure the model
    // stays unloaded and every face simply yields no embedding.
    bool loadFile(const std::filesystem::path &file, LogSink &log);

    bool isLoaded() const { return loaded_; }

    // The embedding of one face of a BGR frame (8-bit, 3 channels, as a camera delivers
    // it): crop with margin, scale to 112 x 112, infer, pad or cut to 512 values,
    // normalise. Nothing, silently, for a crop that is too thin or an unloaded model;
    // nothing after "[FaceID] Inference error: ..." when the network fails. The quality
    // gates are the caller's.
    std::optional<Embedding> embed(const cv::Mat &bgrFrame, const FaceObservation &face, LogSink &log);

    // The embedding of a face image already cropped and scaled to 112 x 112 (BGR).
    std::optional<Embedding> embedCrop(const cv::Mat &bgrCrop, LogSink &log);

private:
    XnnpackNetwork network_;
    bool loaded_ = false;
    cv::Mat resized_; // kept from face to face rather than allocated anew
};

// Model output to embedding: the first min(count, 512) values in a vector of 512 zeros,
// l2-normalised.
Embedding embeddingFromModelOutput(const float *values, std::size_t count);

} // namespace vardo
