// owner_embeddings: an enrolled set for the person in a video, made by the application's
// own analysis: every frame that shows exactly one face with open eyes that passes the
// gates gives one embedding; 25 of them, spread evenly over the clip, are printed as the
// JSON the secret store keeps, or, with --store, stored as the owner's in the Secret
// Service of the session bus (bench/app/measure-watching gives it a private one).
// --store-set stores a set printed before.
//
//   owner_embeddings [--store] VIDEO [FIRST_FRAME]
//   owner_embeddings --store-set JSON_FILE

#include "platform/camera_frame.h"
#include "platform/secret_item_labels.h"
#include "platform/secret_store_libsecret.h"
#include "recognition/embedding_codec.h"
#include "recognition/frame_analyzer.h"

#include <opencv2/videoio.hpp>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string_view>

namespace {

class DiscardLog final : public vardo::LogSink {
public:
    void write(std::string_view) override {}
};

int storeAsTheOwners(const std::string &json)
{
    const std::string service = "com.nerova.vardo.face-embeddings-v2";
    vardo::LibsecretSecretStore secrets;
    if (!secrets.add(service, "owner", vardo::secretItemLabel(service, "owner"), vardo::Bytes(json.begin(), json.end()))
             .ok()) {
        std::cerr << "owner_embeddings: the Secret Service did not take the set\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::string_view(argv[1]) == "--store-set") {
        std::ifstream in(argv[2]);
        const std::string json{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!vardo::decodeEmbeddings(json)) {
            std::cerr << "owner_embeddings: " << argv[2] << " holds no enrolled set\n";
            return 1;
        }
        return storeAsTheOwners(json);
    }
    const bool store = argc > 1 && std::string_view(argv[1]) == "--store";
    if (store) {
        --argc;
        ++argv;
    }
    if (argc < 2) {
        std::cerr << "usage: owner_embeddings [--store] VIDEO [FIRST_FRAME]\n";
        return 2;
    }
    const int firstFrame = argc > 2 ? std::atoi(argv[2]) : 0;
    DiscardLog quiet;
    vardo::FrameAnalyzer analyzer(quiet);
    analyzer.loadDetectionModels();
    if (!analyzer.loadEmbeddingModel()) {
        std::cerr << "owner_embeddings: the face embedding model is missing\n";
        return 1;
    }
    cv::VideoCapture video(argv[1]);
    std::vector<vardo::Embedding> found;
    cv::Mat raw;
    for (int index = 0; video.read(raw); ++index) {
        if (index < firstFrame)
            continue;
        vardo::AnalysedFrame analysis = analyzer.analyze(vardo::cameraFrameFromImage(raw));
        if (analysis.faceCount() == 1 && analysis.openEyeEmbeddings.size() == 1)
            found.push_back(std::move(analysis.openEyeEmbeddings.front()));
    }
    constexpr std::size_t setSize = 25;
    if (found.size() < setSize) {
        std::cerr << "owner_embeddings: only " << found.size() << " usable frames\n";
        return 1;
    }
    std::vector<vardo::Embedding> set;
    for (std::size_t i = 0; i < setSize; ++i)
        set.push_back(found[i * found.size() / setSize]);
    const std::string json = *vardo::encodeEmbeddings(set);
    if (!store) {
        std::cout << json << '\n';
        return 0;
    }
    return storeAsTheOwners(json);
}
