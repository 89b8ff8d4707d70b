#include "liveness/depth_model.h"

#include "liveness/depth_liveness.h"

#include <opencv2/imgproc.hpp>

namespace vardo {

std::variant<std::unique_ptr<DepthModel>, std::string> DepthModel::load(const std::filesystem::path &file)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return "no file " + file.string();
    try {
        cv::dnn::Net net = cv::dnn::readNetFromONNX(file.string());
        if (net.empty())
            return "OpenCV read no network from " + file.string();
        return std::unique_ptr<DepthModel>(new DepthModel(std::move(net)));
    } catch (const cv::Exception &e) {
        return "cannot read " + file.string() + ": " + e.msg;
    }
}

std::variant<cv::Mat, std::string> DepthModel::estimate(const cv::Mat &bgrInput)
{
    if (bgrInput.size() != depthInputSize || bgrInput.type() != CV_8UC3)
        return std::string("the input is not a 518x392 colour image");
    try {
        cv::Mat rgb;
        cv::cvtColor(bgrInput, rgb, cv::COLOR_BGR2RGB);
        rgb.convertTo(rgb, CV_32FC3, 1.0 / 255.0);
        cv::subtract(rgb, cv::Scalar(0.485, 0.456, 0.406), rgb);
        cv::divide(rgb, cv::Scalar(0.229, 0.224, 0.225), rgb);
        net_.setInput(cv::dnn::blobFromImage(rgb));
        const cv::Mat output = net_.forward();
        if (output.empty() || output.dims < 2)
            return cv::Mat();
        const int rows = output.size[output.dims - 2];
        const int cols = output.size[output.dims - 1];
        if (output.total() != static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols))
            return std::string("the output holds more than one map");
        cv::Mat map(rows, cols, CV_32FC1);
        output.reshape(1, rows).convertTo(map, CV_32F);
        return map;
    } catch (const cv::Exception &e) {
        return e.msg;
    }
}

} // namespace vardo
