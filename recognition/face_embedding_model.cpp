#include "recognition/face_embedding_model.h"

#include "recognition/face_crop.h"
#include "recognition/model_locator.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <system_error>

namespace vardo {

bool FaceEmbeddingModel::load(LogSink &log)
{
    const auto file = findModelFile(fileName);
    if (!file) {
        std::string searched;
        for (const auto &dir : modelSearchDirectories())
            searched += (searched.empty() ? "" : ", ") + dir.string();
        log.write(std::string("[FaceID] Failed to load embedding model: ") + fileName + " not found in "
                  + searched);
        return false;
    }
    return loadFile(*file, log);
}

bool FaceEmbeddingModel::loadFile(const std::filesystem::path &file, LogSink &log)
{
    loaded_ = false;
    const auto fail = [&](const std::string &reason) {
        network_.clear();
        log.write("[FaceID] Failed to load embedding model: " + reason);
        return false;
    };

    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return fail(file.string() + " does not exist");
    std::string reason;
    if (!network_.load(file, reason))
        return fail(file.string() + ": " + reason);
    if (network_.inputSize() != cv::Size(embeddingInputSize, embeddingInputSize) || network_.inputChannels() != 3)
        return fail(file.string() + ": the network does not read a colour image of " + std::to_string(embeddingInputSize)
                    + " x " + std::to_string(embeddingInputSize));
    if (network_.outputs().size() != 1)
        return fail(file.string() + ": the network does not give one vector");

    // A network that loads but cannot run on a face image would fail on every face;
    // one trial run here turns that into a model that is simply not there.
    network_.input().setTo(cv::Scalar::all(128));
    if (!network_.run())
        return fail(file.string() + ": the network does not run");

    loaded_ = true;
    log.write("[FaceID] Embedding model loaded successfully");
    return true;
}

std::optional<Embedding> FaceEmbeddingModel::embed(const cv::Mat &bgrFrame, const FaceObservation &face,
                                                   LogSink &log)
{
    if (!loaded_ || bgrFrame.empty())
        return std::nullopt;
    const auto cropRect = embeddingCropRect(face, bgrFrame.size());
    if (!cropRect)
        return std::nullopt;
    return embedCrop(embeddingCropImage(bgrFrame, *cropRect), log);
}

std::optional<Embedding> FaceEmbeddingModel::embedCrop(const cv::Mat &bgrCrop, LogSink &log)
{
    if (!loaded_)
        return std::nullopt;
    if (bgrCrop.empty() || bgrCrop.type() != CV_8UC3) {
        log.write("[FaceID] Inference error: the face image is not an 8-bit colour image");
        return std::nullopt;
    }
    const cv::Size size(embeddingInputSize, embeddingInputSize);
    const cv::Mat *crop = &bgrCrop;
    if (bgrCrop.size() != size) {
        cv::resize(bgrCrop, resized_, size, 0, 0, cv::INTER_LINEAR);
        crop = &resized_;
    }
    // The network reads RGB; the camera gives BGR.
    cv::Mat input = network_.input();
    writeRgbInput(*crop, input, 0.0f, 1.0f);
    if (!network_.run()) {
        log.write("[FaceID] Inference error: the embedding network failed to run");
        return std::nullopt;
    }
    const auto &values = network_.outputs().front().values;
    return embeddingFromModelOutput(values.data(), values.size());
}

Embedding embeddingFromModelOutput(const float *values, std::size_t count)
{
    Embedding embedding(embeddingLength, 0.0f);
    std::copy_n(values, std::min(count, embeddingLength), embedding.begin());
    return l2Normalize(std::move(embedding));
}

} // namespace vardo
