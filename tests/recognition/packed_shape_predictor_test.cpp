#include "test_images.h"

#include "recognition/packed_shape_predictor.h"

#include <dlib/opencv/cv_image.h>
#include <dlib/serialize.h>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <filesystem>
#include <fstream>

using namespace vardo;
using namespace vardo::testing;

namespace {

const std::filesystem::path landmarkModel = "/usr/share/dlib/shape_predictor_68_face_landmarks.dat";

struct Predictors {
    dlib::shape_predictor dlibPredictor;
    PackedShapePredictor packed;
};

const Predictors &predictors()
{
    static const Predictors *loaded = [] {
        auto *p = new Predictors;
        dlib::deserialize(landmarkModel.string()) >> p->dlibPredictor;
        p->packed.load(landmarkModel);
        return p;
    }();
    return *loaded;
}

} // namespace

// On the grey frame cv::cvtColor makes, and on the colour frame it was made from.
TEST(PackedShapePredictor, FindsDlibsPointsExactly)
{
    ASSERT_TRUE(std::filesystem::exists(landmarkModel)) << "the 68-point landmark model is missing (libdlib-data)";
    const Predictors &p = predictors();
    ASSERT_EQ(p.packed.partCount(), 68u);
    int boxes = 0;
    for (const std::string person : {"John_Salley", "Barack_Obama"}) {
        for (const auto &image : identityImages(person)) {
            const cv::Mat colour = cameraFrameOf(image);
            cv::Mat gray;
            cv::cvtColor(colour, gray, cv::COLOR_BGR2GRAY);
            const dlib::cv_image<unsigned char> view(gray);
            // Boxes on the face, beside it and reaching out of the frame, where feature
            // pixels fall outside the image.
            for (const dlib::rectangle box : {dlib::rectangle(240, 160, 400, 320), dlib::rectangle(250, 150, 370, 270),
                                              dlib::rectangle(-60, -40, 120, 140), dlib::rectangle(560, 400, 720, 560)}) {
                const dlib::full_object_detection expected = p.dlibPredictor(view, box);
                for (const cv::Mat &frame : {gray, colour}) {
                    const std::vector<dlib::point> found = p.packed(frame, box);
                    ASSERT_EQ(found.size(), expected.num_parts());
                    for (unsigned long i = 0; i < expected.num_parts(); ++i)
                        ASSERT_EQ(found[i], expected.part(i)) << image << " point " << i << " channels " << frame.channels();
                }
                ++boxes;
            }
        }
    }
    EXPECT_GE(boxes, 40);
}

// The grey value of a colour pixel is cv::cvtColor's, for every colour there is.
TEST(PackedShapePredictor, TurnsEveryColourGreyAsOpenCvDoes)
{
    cv::Mat colours(4096, 4096, CV_8UC3);
    for (int i = 0; i < 1 << 24; ++i)
        colours.at<cv::Vec3b>(i >> 12, i & 4095) = cv::Vec3b(i & 255, (i >> 8) & 255, i >> 16);
    cv::Mat gray;
    cv::cvtColor(colours, gray, cv::COLOR_BGR2GRAY);
    int wrong = 0;
    for (int i = 0; i < 1 << 24; ++i)
        wrong += PackedShapePredictor::grayOf(&colours.at<cv::Vec3b>(i >> 12, i & 4095)[0])
                 != gray.at<unsigned char>(i >> 12, i & 4095);
    EXPECT_EQ(wrong, 0);
}

TEST(PackedShapePredictor, TruncatedFileIsRefused)
{
    const auto file = std::filesystem::temp_directory_path() / "vardo_truncated_shape_predictor.dat";
    {
        std::ifstream in(landmarkModel, std::ios::binary);
        ASSERT_TRUE(in) << "the 68-point landmark model is missing (libdlib-data)";
        std::string head(1 << 20, '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        std::ofstream(file, std::ios::binary).write(head.data(), in.gcount());
    }
    PackedShapePredictor packed;
    EXPECT_ANY_THROW(packed.load(file));
    EXPECT_TRUE(packed.empty());
    std::filesystem::remove(file);
}
