#include "app/face_commands.h"

#include "platform/camera_frame.h"
#include "platform/image_file.h"
#include "recognition/enrollment_selection.h"
#include "recognition/eye_openness.h"
#include "utils/decimal_text.h"
#include "recognition/frame_analyzer.h"
#include "recognition/owner_matching.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <opencv2/core/utils/logger.hpp>

#include <cmath>
#include <optional>
#include <string_view>

namespace vardo {

namespace {

class DiscardLog final : public LogSink {
public:
    void write(std::string_view) override {}
};

// A 32-bit float as the number its shortest text reads as (0.7f prints as 0.7).
QJsonValue jsonNumber(float value)
{
    return std::stod(floatText(value));
}

QJsonValue jsonRounded(double value, double step)
{
    return std::round(value / step) * step;
}

void writeLine(std::ostream &out, const QJsonObject &object)
{
    out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << '\n';
}

QString text(const std::string &s)
{
    return QString::fromStdString(s);
}

// Reads an image file; writes the error line and gives nothing when it cannot.
std::optional<cv::Mat> readImage(const std::string &path, std::string_view command, std::ostream &err)
{
    cv::Mat image = readImageFile(path);
    if (image.empty()) {
        err << "nerova-vardo " << command << ": cannot read image " << path << '\n';
        return std::nullopt;
    }
    return image;
}

// Loads the models once per command; OpenCV's own chatter about a file it cannot
// read stays out of the output.
void loadModels(FrameAnalyzer &analyzer)
{
    const auto level = cv::utils::logging::getLogLevel();
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    analyzer.loadDetectionModels();
    analyzer.loadEmbeddingModel();
    cv::utils::logging::setLogLevel(level);
}

QJsonValue eyeRatio(const std::optional<std::vector<cv::Point2d>> &eye, double frameAspect)
{
    if (!eye)
        return QJsonValue::Null;
    return jsonRounded(eyeAspectRatio(*eye, frameAspect), 1e-4);
}

} // namespace

int runFacesCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, LogSink &log)
{
    if (args.empty()) {
        err << "usage: nerova-vardo faces IMAGE...\n";
        return 2;
    }
    FrameAnalyzer analyzer(log);
    loadModels(analyzer);

    int status = 0;
    for (const auto &path : args) {
        const auto image = readImage(path, "faces", err);
        if (!image) {
            status = 1;
            continue;
        }
        const AnalysedFrame analysis = analyzer.analyze(cameraFrameFromImage(*image));
        for (std::size_t i = 0; i < analysis.observations.size(); ++i) {
            const FaceObservation &face = analysis.observations[i];
            const AnalysedFrame::FaceOutcome &outcome = analysis.outcomes[i];
            // Without the embedding model the gates are not reached; show where the face
            // would have stood.
            DiscardLog quiet;
            const FaceGate gate = outcome.gate ? *outcome.gate : checkQualityGates(face, quiet);
            const cv::Rect2d &b = face.boundingBox;
            QJsonObject line{
                {"image", text(path)},
                {"box", QJsonArray{jsonRounded(b.x, 1e-6), jsonRounded(b.y, 1e-6), jsonRounded(b.width, 1e-6),
                                   jsonRounded(b.height, 1e-6)}},
                {"confidence", jsonNumber(face.confidence)},
                {"leftEye", eyeRatio(face.leftEye, face.frameAspect)},
                {"rightEye", eyeRatio(face.rightEye, face.frameAspect)},
                {"eyesOpen", outcome.eyesOpen},
                {"gate", gateName(gate)},
                {"embedding", outcome.hasEmbedding},
            };
            writeLine(out, line);
        }
        writeLine(out, QJsonObject{{"image", text(path)}, {"rect", analysis.rectangleCount}});
    }
    return status;
}

int runVerifyCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, LogSink &log)
{
    std::vector<std::string> enrollImages;
    std::vector<std::string> probeImages;
    std::vector<std::string> *current = nullptr;
    bool wellFormed = true;
    for (const auto &arg : args) {
        if (arg == "--enroll")
            current = &enrollImages;
        else if (arg == "--probe")
            current = &probeImages;
        else if (current && !arg.starts_with("--"))
            current->push_back(arg);
        else
            wellFormed = false; // an image before the first option, or an unknown option
    }
    if (!wellFormed || enrollImages.empty() || probeImages.empty()) {
        err << "usage: nerova-vardo verify --enroll IMAGE... --probe IMAGE...\n";
        return 2;
    }

    FrameAnalyzer analyzer(log);
    loadModels(analyzer);
    if (!analyzer.embeddingModel().isLoaded()) {
        err << "nerova-vardo verify: the face embedding model is not available\n";
        return 1;
    }

    int status = 0;
    std::vector<Embedding> samples;
    for (const auto &path : enrollImages) {
        const auto image = readImage(path, "verify", err);
        if (!image) {
            status = 1;
            continue;
        }
        const AnalysedFrame analysis = analyzer.analyze(cameraFrameFromImage(*image));
        if (analysis.openEyeEmbeddings.empty()) {
            err << "nerova-vardo verify: no usable face with open eyes in " << path << '\n';
            continue;
        }
        samples.push_back(analysis.openEyeEmbeddings.front());
    }
    if (samples.empty()) {
        err << "nerova-vardo verify: nothing enrolled\n";
        return 1;
    }
    const std::vector<Embedding> enrolled = selectEnrollmentEmbeddings(samples);

    for (const auto &path : probeImages) {
        const auto image = readImage(path, "verify", err);
        if (!image) {
            status = 1;
            continue;
        }
        const AnalysedFrame analysis = analyzer.analyze(cameraFrameFromImage(*image));
        QJsonObject line{{"probe", text(path)}};
        QJsonObject match;
        if (analysis.openEyeEmbeddings.empty()) {
            err << "nerova-vardo verify: no usable face with open eyes in " << path << '\n';
            status = 1;
            line["topK"] = QJsonValue::Null;
            line["mean"] = QJsonValue::Null;
            line["combined"] = QJsonValue::Null;
            match = {{"relaxed", false}, {"balanced", false}, {"strict", false}};
        } else {
            const MatchScore score = scoreAgainstEnrolled(enrolled, analysis.openEyeEmbeddings.front());
            line["topK"] = jsonNumber(score.topK);
            line["mean"] = jsonNumber(score.meanSim);
            line["combined"] = jsonNumber(score.combined);
            match = {{"relaxed", isOwnerMatch(score, matchThreshold(0))},
                     {"balanced", isOwnerMatch(score, matchThreshold(1))},
                     {"strict", isOwnerMatch(score, matchThreshold(2))}};
        }
        line["match"] = match;
        writeLine(out, line);
    }
    return status;
}

} // namespace vardo
