// The editor's own speed, as a user meets it: an 18 MP photo opened in the
// main window, then each page's Preview at its default settings, timed from
// the click to the picture painted. Prints one line per page with the
// median of a few runs, in milliseconds.
//   kira_editor_bench [RUNS] [PHOTO]
// Without PHOTO, a photo of the test data is enlarged to 5184 x 3456 with
// the bicubic resampling, given a camera's fine grain (an enlargement alone
// is smoother than a photo and decodes faster) and saved as a JPEG first.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
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
    QPushButton* preview = page->PreviewButton();
    if (!preview) continue;  // the rotation's buttons apply at once
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
      main.OpenEffectPage(n);
      Settle(main);
      QElapsedTimer clock;
      clock.start();
      preview->click();
      Settle(main);
      times.push_back(clock.nsecsElapsed() / 1e6);
      page->CancelButton()->click();
      Settle(main);
    }
    std::printf("%2d %9.1f ms  %s\n", n, Median(times), qPrintable(page->Caption()));
  }
  return 0;
}
