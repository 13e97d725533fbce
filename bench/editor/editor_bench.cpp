// The editor's own speed, as a user meets it: an 18 MP photo opened in the
// main window, then each page's Preview at its default settings and at the
// heavier settings of some, timed from the click to the picture painted.
// Prints one line per case with the median of a few runs, in milliseconds.
//   kira_editor_bench [--open-only | --live] [RUNS] [PHOTO]
// --live times the automatic preview instead (live_bench.cpp): each page
// from a control's change to the result painted, input while a long effect
// runs, Esc, and a drag of the sharpness bar.
// The open is timed to the first view painted and to the full picture
// painted, the first run (nothing of the process's memory reused yet) apart;
// then the full decode alone beside libjpeg's own djpeg on the same file,
// both on one core (djpeg from libjpeg-turbo-progs, scripts/bench-deps).
// Without PHOTO, a photo of the test data is enlarged to 5184 x 3456 with
// the bicubic resampling, given a camera's fine grain (an enlargement alone
// is smoother than a photo and decodes faster) and saved as a JPEG first.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/image_files.h"
#include "effects/resample.h"
#include "ui/form_image.h"
#include "ui/form_main.h"
#include "ui/pages/effect_page.h"

using namespace kira;

namespace kira {
void RunLiveBench(TFormMain& main, int runs, const QString& photo);
}

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Lets the window finish what the click started, and paints the picture now.
void Settle(TFormMain& main) {
  QApplication::processEvents();
  main.FormImage().repaint();
  QApplication::processEvents();
}

// A page's heavier settings: radio buttons to choose and control values
// (track bars and spin edits) by name.
struct TCase {
  int page;
  const char* what;
  std::vector<const char*> radios;
  std::vector<std::pair<const char*, int>> values;
};

const std::vector<TCase>& HeavyCases() {
  static const std::vector<TCase> cases = {
      {3, "blur 6", {"RadioButtonBlur"}, {{"TrackBarSoftness", 6}}},
      {3, "gaussian 6", {"RadioButtonGaussianBlur"}, {{"TrackBarSoftness", 6}}},
      {3, "radial 6", {"RadioButtonRadialBlur"}, {{"TrackBarSoftness", 6}}},
      {3, "angle 6", {"RadioButtonAngleBlur"}, {{"TrackBarSoftness", 6}}},
      {3, "soften 6", {"RadioButtonSoften"}, {{"TrackBarSoftness", 6}}},
      {10, "24 faces", {}, {{"SpinEditMirageNo", 24}}},
      {11, "watercolour 5", {"RadioButtonEFCT21"}, {{"TrackBarEFCT21", 5}}},
      {11, "fisheye 11", {"RadioButtonEFCT23"}, {{"TrackBarEFCT23", 11}}},
      {11, "sobel", {"RadioButtonEFCT24"}, {}},
  };
  return cases;
}

void SetControls(TFormMain& main, const TCase& c) {
  for (const char* name : c.radios)
    if (auto* radio = main.Control<QRadioButton>(QString::fromLatin1(name))) radio->click();
  for (const auto& [name, value] : c.values) {
    if (auto* bar = main.Control<QSlider>(QString::fromLatin1(name))) bar->setValue(value);
    if (auto* spin = main.Control<QSpinBox>(QString::fromLatin1(name))) spin->setValue(value);
  }
}

// The median time of a page's Preview, the page opened afresh each run and
// set by setup, cancelled after.
template <class Setup>
double TimePreview(TFormMain& main, int n, int runs, Setup setup) {
  TEffectPage* page = main.Page(n);
  std::vector<double> times;
  for (int r = 0; r < runs; ++r) {
    main.OpenEffectPage(n);
    setup();
    Settle(main);
    QElapsedTimer clock;
    clock.start();
    page->PreviewButton()->click();
    // The Preview runs off the window's thread: until its result is shown.
    while (main.Document().Previews().Busy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Settle(main);
    times.push_back(clock.nsecsElapsed() / 1e6);
    page->CancelButton()->click();
    Settle(main);
  }
  return Median(times);
}

// djpeg decoding the file to nothing, in its own process; false when it
// cannot run.
bool RunDjpeg(const std::string& path) {
  std::vector<std::string> words = {"djpeg", "-outfile", "/dev/null", path};
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "djpeg", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The open, the first view and the full picture both painted, and the full
// decode beside djpeg on one core.
void TimeOpen(TFormMain& main, const QString& photo, int runs) {
  std::vector<double> firsts, fulls, plains;
  for (int r = 0; r < runs; ++r) {
    // The one-step open beside it, for comparison.
    main.SetFirstViewMinPixels(0);
    QElapsedTimer plain;
    plain.start();
    main.OpenImageFile(photo);
    Settle(main);
    plains.push_back(plain.nsecsElapsed() / 1e6);
    main.SetFirstViewMinPixels(TFormMain::kFirstViewMinPixels);

    QElapsedTimer clock;
    clock.start();
    main.OpenImageFile(photo);
    Settle(main);
    firsts.push_back(clock.nsecsElapsed() / 1e6);
    while (main.Opening()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Settle(main);
    fulls.push_back(clock.nsecsElapsed() / 1e6);
  }
  const TBitmap& source = main.Document().Source();
  std::printf("photo %d x %d, median of %d runs, click to painted\n", source.Width(), source.Height(), runs);
  std::printf("   %9.1f ms  open, first view (first run %.1f)\n", Median(firsts), firsts[0]);
  std::printf("   %9.1f ms  open, full picture (first run %.1f)\n", Median(fulls), fulls[0]);
  std::printf("   %9.1f ms  open in one step, for comparison (first run %.1f)\n", Median(plains), plains[0]);

  cpu_set_t all;
  CPU_ZERO(&all);
  sched_getaffinity(0, sizeof all, &all);
  cpu_set_t one;
  CPU_ZERO(&one);
  for (int c = 0; c < CPU_SETSIZE; ++c)
    if (CPU_ISSET(c, &all)) {
      CPU_SET(c, &one);
      break;
    }
  sched_setaffinity(0, sizeof one, &one);
  const std::string path = QFile::encodeName(photo).toStdString();
  std::vector<double> ours, theirs;
  for (int r = 0; r < runs; ++r) {
    QElapsedTimer clock;
    clock.start();
    const TLoadResult loaded = LoadJpegFile(path);
    ours.push_back(clock.nsecsElapsed() / 1e6);
    clock.restart();
    if (RunDjpeg(path)) theirs.push_back(clock.nsecsElapsed() / 1e6);
  }
  sched_setaffinity(0, sizeof all, &all);
  std::printf("   %9.1f ms  full decode, one core (file read and decoded)\n", Median(ours));
  if (theirs.empty())
    std::printf("        djpeg not found (scripts/bench-deps installs it)\n");
  else
    std::printf("   %9.1f ms  djpeg -outfile /dev/null, one core (process included); ratio %.2f\n",
                Median(theirs), Median(ours) / Median(theirs));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const bool openOnly = argc > 1 && std::strcmp(argv[1], "--open-only") == 0;
  const bool liveOnly = argc > 1 && std::strcmp(argv[1], "--live") == 0;
  const int at = openOnly || liveOnly ? 2 : 1;  // RUNS, then PHOTO
  const int runs = argc > at ? std::max(1, atoi(argv[at])) : 3;
  QTemporaryDir dir;
  QString photo = argc > at + 1 ? QString::fromLocal8Bit(argv[at + 1]) : QString();
  if (photo.isEmpty()) {
    TLoadResult loaded = LoadPicture(KIRA_TESTDATA "/photos/hubble_deep_field.jpg");
    if (!loaded) return std::fprintf(stderr, "cannot read the test photo\n"), 1;
    TBitmap big;
    ResampleInto(*loaded.bitmap, big, 5184, 3456, kResampleBicubic, 2);
    std::uint32_t seed = 12345;
    for (int y = 0; y < big.Height(); ++y) {
      std::uint8_t* row = big.ScanLine(y);
      for (int i = 0; i < 3 * big.Width(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        row[i] = static_cast<std::uint8_t>(std::clamp(row[i] + static_cast<int>(seed >> 28) - 8, 0, 255));
      }
    }
    photo = dir.filePath(QStringLiteral("photo-18mp.jpg"));
    if (!SaveJpegFile(big, photo.toStdString())) return std::fprintf(stderr, "cannot write %s\n", qPrintable(photo)), 1;
  }

  TFormMain main;
  main.resize(1366, 768);
  main.show();
  QApplication::processEvents();

  if (liveOnly) {
    main.OpenImageFile(photo);
    main.FinishOpening();
    Settle(main);
    RunLiveBench(main, runs, photo);
    return 0;
  }
  TimeOpen(main, photo, runs);
  if (openOnly) return 0;

  for (int n = 1; main.Page(n); ++n) {
    TEffectPage* page = main.Page(n);
    if (!page->PreviewButton()) continue;  // the rotation's buttons apply at once
    std::printf("%2d %9.1f ms  %s\n", n, TimePreview(main, n, runs, [] {}), qPrintable(page->Caption()));
  }
  for (const TCase& c : HeavyCases()) {
    const double ms = TimePreview(main, c.page, runs, [&] { SetControls(main, c); });
    std::printf("%2d %9.1f ms  %s, %s\n", c.page, ms, qPrintable(main.Page(c.page)->Caption()), c.what);
  }
  return 0;
}
