// The editor's own speed, as a user meets it: an 18 MP photo opened in the
// main window, then each page's Preview at its default settings and at the
// heavier settings of some, timed from the click to the picture painted.
// Prints one line per case with the median of a few runs, in milliseconds.
//   kira_editor_bench [RUNS] [PHOTO]
// Without PHOTO, a photo of the test data is enlarged to 5184 x 3456 with
// the bicubic resampling, given a camera's fine grain (an enlargement alone
// is smoother than a photo and decodes faster) and saved as a JPEG first.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/image_files.h"
#include "effects/resample.h"
#include "ui/form_image.h"
#include "ui/form_main.h"
#include "ui/pages/effect_page.h"

using namespace kira;

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
    Settle(main);
    times.push_back(clock.nsecsElapsed() / 1e6);
    page->CancelButton()->click();
    Settle(main);
  }
  return Median(times);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
  QTemporaryDir dir;
  QString photo = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
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

  std::vector<double> opens;
  for (int r = 0; r < runs; ++r) {
    QElapsedTimer clock;
    clock.start();
    main.OpenImageFile(photo);
    Settle(main);
    opens.push_back(clock.nsecsElapsed() / 1e6);
  }
  const TBitmap& source = main.Document().Source();
  std::printf("photo %d x %d, median of %d runs, click to painted\n", source.Width(), source.Height(), runs);
  std::printf("   %9.1f ms  open\n", Median(opens));

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
