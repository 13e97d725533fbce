// The nearest OpenCV call to each of our operations, timed on one picture:
// the yardstick bench/vs_opencv.sh sets beside kirabox-batch --time. Built
// only for the benchmarks and only where OpenCV is installed; nothing of ours
// links it.
//   kira_opencv_ops PICTURE THREADS RUNS [NAME...]
// prints one line "NAME MS" per operation (or only those named), MS the
// median of RUNS runs.
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

double MedianMs(int runs, const std::function<void()>& op) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    op();
    const auto t1 = std::chrono::steady_clock::now();
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: kira_opencv_ops PICTURE THREADS RUNS [NAME...]\n");
    return 2;
  }
  const cv::Mat src = cv::imread(argv[1], cv::IMREAD_COLOR);
  if (src.empty()) {
    std::fprintf(stderr, "kira_opencv_ops: %s: cannot read the picture\n", argv[1]);
    return 1;
  }
  cv::setNumThreads(std::atoi(argv[2]));
  const int runs = std::max(1, std::atoi(argv[3]));
  cv::Mat dst, gx, gy, ax, ay;  // kept from run to run, as a loop over frames would
  cv::Mat lut(1, 256, CV_8U);
  for (int i = 0; i < 256; ++i) lut.at<std::uint8_t>(i) = cv::saturate_cast<std::uint8_t>(255 * std::pow(i / 255.0, 0.7));
  const cv::Mat sharpen = (cv::Mat_<float>(3, 3) << -0.5f, -0.5f, -0.5f, -0.5f, 5.0f, -0.5f, -0.5f, -0.5f, -0.5f);
  const std::vector<std::pair<const char*, std::function<void()>>> ops = {
      {"gauss2", [&] { cv::GaussianBlur(src, dst, cv::Size(0, 0), 2.0); }},
      {"gauss12", [&] { cv::GaussianBlur(src, dst, cv::Size(0, 0), 12.0); }},
      {"box13", [&] { cv::blur(src, dst, cv::Size(13, 13)); }},
      {"sharpen", [&] { cv::filter2D(src, dst, -1, sharpen); }},
      {"sobel",
       [&] {  // the usual edge picture: |Sx| / 2 + |Sy| / 2 of 16-bit sums
         cv::Sobel(src, gx, CV_16S, 1, 0);
         cv::Sobel(src, gy, CV_16S, 0, 1);
         cv::convertScaleAbs(gx, ax);
         cv::convertScaleAbs(gy, ay);
         cv::addWeighted(ax, 0.5, ay, 0.5, 0, dst);
       }},
      {"half", [&] { cv::resize(src, dst, cv::Size(src.cols / 2, src.rows / 2), 0, 0, cv::INTER_LINEAR); }},
      {"gamma", [&] { cv::LUT(src, lut, dst); }},
      {"grey", [&] { cv::cvtColor(src, dst, cv::COLOR_BGR2GRAY); }},
      {"rotate", [&] { cv::rotate(src, dst, cv::ROTATE_90_CLOCKWISE); }},
      {"double", [&] { cv::resize(src, dst, cv::Size(src.cols * 2, src.rows * 2), 0, 0, cv::INTER_CUBIC); }},
  };
  const std::vector<std::string> only(argv + 4, argv + argc);
  for (const auto& [name, op] : ops) {
    if (!only.empty() && std::find(only.begin(), only.end(), name) == only.end()) continue;
    op();  // a first run outside the timing
    std::printf("%s %.1f\n", name, MedianMs(runs, op));
    std::fflush(stdout);
  }
  return 0;
}
