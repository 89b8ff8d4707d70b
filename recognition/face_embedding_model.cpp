#include "recognition/face_embedding_model.h"

#include "recognition/face_crop.h"
#include "recognition/model_locator.h"

#include <algorithm>
#include <system_error>

namespace vardo {

namespace {

// OpenCV's messages can span lines; a log line must not.
std::string oneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string describe(const cv::Exception &e)
{
    return oneLine(e.err.empty() ? e.what() : e.err);
}

} // namespace

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
    net_ = cv::dnn::Net();
    const auto fail = [&](const std::string &reason) {
        net_ = cv::dnn::Net();
        log.write("[FaceID] Failed to load embedding model: " + reason);
        return false;
    };

    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return fail(file.string() + " does not exist");

    try {
        net_ = cv::dnn::readNetFromONNX(file.string());
    } catch (const cv::Exception &e) {
        return fail(file.string() + ": " + describe(e));
    }
    if (net_.empty())
        return fail(file.string() + ": the file holds no network");

    // A network that loads but cannot run on a face image would fail on every face;
    // one trial run here turns that into a model that is simply not there.
    try {
        const cv::Mat blank(embeddingInputSize, embeddingInputSize, CV_8UC3, cv::Scalar::all(128));
        net_.setInput(cv::dnn::blobFromImage(blank, 1.0, cv::Size(), cv::Scalar(), true, false, CV_32F));
        const cv::Mat output = net_.forward();
        if (output.empty() || output.depth() != CV_32F)
            return fail(file.string() + ": the network's output is not a float vector");
    } catch (const cv::Exception &e) {
        return fail(file.string() + ": " + describe(e));
    }

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
    cv::Mat output;
    try {
        // The network reads RGB; the camera gives BGR.
        cv::dnn::blobFromImage(bgrCrop, blob_, 1.0, cv::Size(embeddingInputSize, embeddingInputSize), cv::Scalar(),
                               true, false, CV_32F);
        net_.setInput(blob_);
        output = net_.forward();
    } catch (const cv::Exception &e) {
        log.write("[FaceID] Inference error: " + describe(e));
        return std::nullopt;
    }
    if (output.empty() || output.depth() != CV_32F || !output.isContinuous())
        return std::nullopt;
    return embeddingFromModelOutput(output.ptr<float>(), output.total());
}

Embedding embeddingFromModelOutput(const float *values, std::size_t count)
{
    Embedding embedding(embeddingLength, 0.0f);
    std::copy_n(values, std::min(count, embeddingLength), embedding.begin());
    return l2Normalize(std::move(embedding));
}

} // namespace vardo
