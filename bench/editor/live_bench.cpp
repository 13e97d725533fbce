// The editor's automatic preview, as a user meets it on an 18 MP photo:
// - each page, from a control's change to the result painted, beside the
//   same page's Preview button and the effect's own time;
// - the window's answer to keys and pans while a radial blur at strength 6
//   runs, and Esc stopping it;
// - a drag of the sharpness bar: how many results are painted on the way,
//   and whether the last is the batch step's picture for the final value.
// The events go through the event loop as a user's would; "painted" is the
// image window's paint event after the document showed the result.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <set>
#include <vector>

#include "core/image_files.h"
#include "pages/sharpness_page.h"
#include "ui/form_image.h"
#include "ui/form_main.h"
#include "ui/pages/effect_page.h"

namespace kira {
namespace {

QElapsedTimer gClock;
double Now() { return gClock.nsecsElapsed() / 1e6; }

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A cheap fingerprint of a picture: telling results apart, not proving
// them equal.
std::uint64_t Fingerprint(const TBitmap& b) {
  std::uint64_t h = 1469598103934665603ull ^ (static_cast<std::uint64_t>(b.Width()) << 32 | b.Height());
  if (b.Empty()) return h;
  const std::uint8_t* data = b.ScanLine(0);
  for (std::size_t i = 0; i < b.SizeInBytes(); i += 251) h = (h ^ data[i]) * 1099511628211ull;
  return h;
}

// Stands between the document and the main window and notes each result
// the document shows; everything else passes straight on.
class TWatchHost : public TDocumentHost {
 public:
  explicit TWatchHost(TFormMain& main) : main_(main) {}
  void BeginBusy() override { main_.BeginBusy(); }
  void EndBusy() override { main_.EndBusy(); }
  void ShowWorkingImage(const TBitmap& image, bool keepCentre) override {
    if (&image == &main_.Document().Result()) ++shown;
    // Cancel stops the runner before it shows the source.
    if (stopWatch && !main_.Document().Previews().Busy()) {
      stoppedAt = Now();
      stopWatch = false;
    }
    main_.ShowWorkingImage(image, keepCentre);
  }
  void DrawHistogram(const TBitmap& image) override { main_.DrawHistogram(image); }
  void ShowMenuPage() override { main_.ShowMenuPage(); }
  void ShowFileCaption() override { main_.ShowFileCaption(); }
  void CentreImage() override { main_.CentreImage(); }
  void PreviewEnded() override { main_.PreviewEnded(); }

  int shown = 0;  // results shown so far
  bool stopWatch = false;  // notes the first show with the runner idle
  double stoppedAt = 0;

 private:
  TFormMain& main_;
};

// Notes the image window's paints, and when posted keys and mouse moves
// reach it.
class TWatchEvents : public QObject {
 public:
  TWatchEvents(TFormMain& main, TWatchHost& host) : main_(main), host_(host) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Paint:
        if (watched == main_.FormImage().Image1() && panPostedAt >= 0) {
          panPainted.push_back(Now() - panPostedAt);
          panPostedAt = -1;
        }
        if (watched == main_.FormImage().Image1() && main_.Document().ViewLabel() == TViewLabel::BMP3 &&
            host_.shown > paintedShown) {
          paintedShown = host_.shown;
          paintedAt = Now();
          fingerprints.insert(Fingerprint(main_.Document().Result()));
        }
        break;
      case QEvent::KeyPress:
      case QEvent::MouseMove:
        if (!posted.empty() && static_cast<QInputEvent*>(event)->timestamp() == kMark) {
          latencies.push_back(Now() - posted.front());
          posted.pop_front();
        }
        break;
      default:
        break;
    }
    return false;
  }

  static constexpr quint64 kMark = 4242;  // the timestamp of the events we post
  int paintedShown = 0;                   // the last result number painted
  double paintedAt = 0;
  std::set<std::uint64_t> fingerprints;  // of the results painted
  std::deque<double> posted;             // posting times not yet handled
  std::vector<double> latencies;
  double panPostedAt = -1;  // the oldest pan not yet painted
  std::vector<double> panPainted;  // from a pan posted to the picture painted

 private:
  TFormMain& main_;
  TWatchHost& host_;
};

struct TLive {
  TFormMain& main;
  TWatchHost& host;
  TWatchEvents& events;
  TPreviewRunner& runner() { return main.Document().Previews(); }

  // Runs the event loop until `done`, at most `limitMs`; false on the limit.
  bool Loop(const std::function<bool()>& done, double limitMs = 60000) {
    QTimer beat;  // wakes the loop when nothing else does
    beat.start(5);
    const double until = Now() + limitMs;
    while (!done()) {
      if (Now() > until) return false;
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
  }
  // Until nothing runs and the newest result shown is painted; the time of
  // that paint, or -1 when none came.
  double UntilPainted(int shownBefore) {
    const bool ok = Loop([&] {
      return !runner().Busy() && host.shown > shownBefore && events.paintedShown == host.shown;
    });
    return ok ? events.paintedAt : -1;
  }
  void Idle() {
    Loop([&] { return !runner().Busy(); });
    QApplication::processEvents();
  }
};

// A control of the page that holds a setting, as a user would find it
// first (or the one named): a track bar, else a spin edit, else a radio
// button. Each call moves it one step off its first value or back; its name.
QString Touch(TEffectPage& page, const char* name = nullptr) {
  auto toggle = [](auto* c) {
    if (!c->property("benchBase").isValid()) c->setProperty("benchBase", c->value());
    const int base = c->property("benchBase").toInt();
    c->setValue(c->value() != base ? base : base < c->maximum() ? base + 1 : base - 1);
    return c->objectName();
  };
  auto mine = [&](QWidget* c) {
    return name ? c->objectName() == QLatin1String(name) : c->isEnabled() && c->isVisibleTo(&page);
  };
  for (QSlider* bar : page.findChildren<QSlider*>())
    if (mine(bar)) return toggle(bar);
  for (QSpinBox* spin : page.findChildren<QSpinBox*>())
    if (mine(spin)) return toggle(spin);
  for (QRadioButton* radio : page.findChildren<QRadioButton*>()) {
    if (radio->isChecked() || !radio->isEnabled() || !radio->isVisibleTo(&page)) continue;
    radio->click();
    return radio->objectName();
  }
  return {};
}

// One page: a control's change, the Preview button and the effect alone.
void TimePage(TLive& live, int n, int runs, const char* name = nullptr) {
  TFormMain& main = live.main;
  TEffectPage& page = *main.Page(n);
  // Opened as from the menu (the resize page then sets its sizes); opening
  // alone should show no result.
  const int opened = live.host.shown;
  page.OpenFromMenu();
  live.Idle();
  QApplication::processEvents();
  live.Idle();
  if (live.host.shown != opened) std::printf("   (page %d showed a result on opening, without a change)\n", n);
  std::vector<double> changes, buttons, alone;
  QString control;
  TBitmap spare;  // the result's storage, reused as the runner reuses it
  for (int r = 0; r < runs; ++r) {
    // The effect alone: the task the change below makes, run here on the
    // window's thread (the star page so re-extracts its points when the
    // threshold moved); twice at first, to warm the storage. Then the
    // control goes back.
    int before = live.host.shown;
    Touch(page, name);
    for (int k = r == 0 ? 2 : 1; k > 0; --k) {
      TPreviewTask task = page.PreviewTask();
      TPreviewWork work;
      work.result = std::move(spare);
      if (task.begin) task.begin(work);
      const double start = Now();
      task.run(main.Document(), work);
      if (k == 1) alone.push_back(Now() - start);
      spare = std::move(work.result);
    }
    live.UntilPainted(before);
    before = live.host.shown;
    Touch(page, name);
    live.UntilPainted(before);

    before = live.host.shown;
    double start = Now();
    control = Touch(page, name);
    changes.push_back(live.UntilPainted(before) - start);

    before = live.host.shown;
    start = Now();
    page.PreviewButton()->click();
    buttons.push_back(live.UntilPainted(before) - start);
  }
  std::printf("%2d %-14s  %-20s %10.1f %16.1f %13.1f %14.1f\n", n, qPrintable(page.Caption()), qPrintable(control),
              Median(changes), Median(buttons), Median(alone), Median(changes) - Median(alone));
  page.CancelButton()->click();
  live.Idle();
}

void TimePages(TLive& live, int runs) {
  std::printf("\nautomatic preview, median of %d runs, ms\n", runs);
  std::printf("page              control              change->painted  button->painted  effect alone  change-effect\n");
  for (int n = 1; live.main.Page(n); ++n)
    if (live.main.Page(n)->PreviewButton()) TimePage(live, n, runs);
  // The star page's length follows once the points exist.
  TimePage(live, 1, runs, "SpinEditL");
}

// Keys and pans posted to the image window every 10 ms while a radial blur at
// strength 6 runs; then Esc during others.
void TimeInput(TLive& live, int runs) {
  TFormMain& main = live.main;
  TFormImage& image = main.FormImage();
  const int kSoftness = 3;
  main.Page(kSoftness)->OpenFromMenu();
  live.Idle();
  auto* radial = main.Control<QRadioButton>(QStringLiteral("RadioButtonRadialBlur"));
  auto* level = main.Control<QSlider>(QStringLiteral("TrackBarSoftness"));
  int before = live.host.shown;
  radial->click();
  live.UntilPainted(before);
  // The same change with no input, then one step back.
  before = live.host.shown;
  double start = Now();
  level->setValue(6);
  const double quiet = live.UntilPainted(before) - start;
  before = live.host.shown;
  level->setValue(5);
  live.UntilPainted(before);

  before = live.host.shown;
  start = Now();
  level->setValue(6);
  live.events.latencies.clear();
  live.events.posted.clear();
  live.events.panPainted.clear();
  QWidget* target = image.Image1();
  const QPoint centre = target->rect().center();
  auto post = [&](QEvent* e) {
    live.events.posted.push_back(Now());
    QCoreApplication::postEvent(e->type() == QEvent::KeyPress ? static_cast<QWidget*>(&image) : target, e);
  };
  {
    QMouseEvent press(QEvent::MouseButtonPress, centre, target->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
  }
  int tick = 0;
  QPoint lastAt = centre;
  const QPoint pressed = target->mapToGlobal(centre);
  bool panned = false;
  const QPoint placeBefore = target->pos();
  QTimer poster;
  QObject::connect(&poster, &QTimer::timeout, [&] {
    panned = panned || target->pos() != placeBefore;
    ++tick;
    if (tick % 2 == 0) {
      // Unbound keys: handled by the window, changing nothing.
      auto* key = new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
      key->setTimestamp(TWatchEvents::kMark);
      post(key);
    } else {
      // The mouse wanders about the point pressed; the picture follows.
      const QPoint global = pressed + QPoint((tick % 40) - 20, (tick % 30) - 15);
      const QPoint at = lastAt = target->mapFromGlobal(global);
      auto* move = new QMouseEvent(QEvent::MouseMove, at, global, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
      move->setTimestamp(TWatchEvents::kMark);
      if (live.events.panPostedAt < 0) live.events.panPostedAt = Now();
      post(move);
    }
  });
  poster.start(10);
  const double painted = live.UntilPainted(before);
  poster.stop();
  live.events.panPostedAt = -1;
  live.Loop([&] { return live.events.posted.empty(); }, 1000);
  {
    QMouseEvent release(QEvent::MouseButtonRelease, lastAt, target->mapToGlobal(lastAt), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
  }
  std::vector<double>& l = live.events.latencies;
  // The same blur alone, here on the window's thread.
  double alone = 0;
  {
    TPreviewTask task = main.Page(kSoftness)->PreviewTask();
    TPreviewWork work;
    if (task.begin) task.begin(work);
    const double t = Now();
    task.run(main.Document(), work);
    alone = Now() - t;
  }
  std::printf("\nradial blur 6 by a change, painted after %.1f ms with the input below, %.1f ms without "
              "(the effect alone %.1f ms)\n",
              painted - start, quiet, alone);
  std::printf("  input while it ran: %zu keys and pans handled, %zu lost, picture %s; posted->handled median %.1f ms, "
              "max %.1f ms\n",
              l.size(), live.events.posted.size(), panned ? "panned" : "NOT PANNED", Median(l),
              l.empty() ? -1.0 : *std::max_element(l.begin(), l.end()));
  std::vector<double>& p = live.events.panPainted;
  std::printf("  pan posted->picture painted: %zu paints, median %.1f ms, max %.1f ms\n", p.size(), Median(p),
              p.empty() ? -1.0 : *std::max_element(p.begin(), p.end()));

  // Esc during the same blur, at points spread over its run; the page each
  // time opened afresh.
  main.Page(kSoftness)->CancelButton()->click();
  live.Idle();
  const TBitmap source = main.Document().Source();
  std::vector<double> handled, stopped, shown;
  bool allRunning = true, allClosed = true, sourceKept = true;
  for (int r = 0; r < runs; ++r) {
    main.Page(kSoftness)->OpenFromMenu();
    live.Idle();
    radial->click();
    level->setValue(6);  // one pass of events: one request
    const double into = std::min({alone, quiet, painted - start}) * (r + 0.5) / runs * 0.9;
    live.Loop([&] { return live.runner().Busy() && live.runner().RunningMilliseconds() >= into; }, 10000);
    allRunning = allRunning && live.runner().Busy();
    live.host.stopWatch = true;
    live.events.posted.clear();
    live.events.latencies.clear();
    const double esc = Now();
    live.events.posted.push_back(esc);
    auto* escape = new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    escape->setTimestamp(TWatchEvents::kMark);
    QCoreApplication::postEvent(&image, escape);
    live.Loop([&] { return !live.runner().Busy(); });
    const double done = Now();
    live.Idle();
    handled.push_back(live.events.latencies.empty() ? -1.0 : live.events.latencies[0]);
    stopped.push_back(live.host.stoppedAt - esc);
    shown.push_back(done - esc);
    allClosed = allClosed && main.OpenPageNumber() == 0;
    sourceKept = sourceKept && main.Document().Source() == source;
  }
  std::printf("  Esc spread over %d runs (all running: %s): key handled median %.1f ms; runner stopped "
              "median %.1f, max %.1f ms; source and menu page shown median %.1f, max %.1f ms; source %s; page %s\n",
              runs, allRunning ? "yes" : "NO", Median(handled), Median(stopped),
              *std::max_element(stopped.begin(), stopped.end()), Median(shown),
              *std::max_element(shown.begin(), shown.end()), sourceKept ? "unchanged" : "CHANGED",
              allClosed ? "closed" : "still open");
}

// The sharpness bar dragged through 20 steps in a second, RUNS times; the
// results painted on the way, and the last against the effect's own and the
// batch tool's picture for the final value.
void TimeDrag(TLive& live, int runs, const QString& photo) {
  TFormMain& main = live.main;
  const int kSharpness = 7, kSteps = 20, kStride = 5, kFinal = kSteps * kStride;
  TBitmap expected;
  SharpenPictureInto(main.Document().Source(), expected, {TSharpnessKind::Sharpen, kFinal});
  TBitmap last;
  std::vector<double> distinct, settle, spans;
  bool allEqual = true;
  for (int r = 0; r < runs; ++r) {
    main.Page(kSharpness)->OpenFromMenu();
    live.Idle();
    auto* bar = main.Control<QSlider>(QStringLiteral("TrackBarSharp"));
    live.events.fingerprints.clear();
    int step = 0;
    const double start = Now();
    QTimer mover;
    QObject::connect(&mover, &QTimer::timeout, [&] {
      if (step < kSteps) bar->setValue(++step * kStride);
    });
    mover.start(50);
    live.Loop([&] { return step >= kSteps; });
    mover.stop();
    const double lastMove = Now();
    const double painted = live.UntilPainted(live.host.shown);
    spans.push_back(lastMove - start);
    settle.push_back(painted - lastMove);
    distinct.push_back(static_cast<double>(live.events.fingerprints.size()));
    allEqual = allEqual && main.Document().Result() == expected;
    last = main.Document().Result();
    main.Page(kSharpness)->CancelButton()->click();
    live.Idle();
  }
  std::printf("\nsharpness drag, %d steps to %d over %.0f ms (median), %d runs: distinct results painted min %.0f, "
              "median %.0f; last painted %.1f ms (median) after the last step\n",
              kSteps, kFinal, Median(spans), runs, *std::min_element(distinct.begin(), distinct.end()),
              Median(distinct), Median(settle));
  std::printf("  last result %s the sharpness effect's for amount %d\n", allEqual ? "always equals" : "DIFFERS FROM",
              kFinal);

  // The batch tool on the same file, when it is built.
  const QString batch = QStringLiteral(KIRA_BATCH_BIN);
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("batch.bmp"));
  QProcess process;
  process.start(batch, {photo, out, QStringLiteral("sharpness:amount=%1").arg(kFinal)});
  if (!process.waitForFinished(120000) || process.exitCode() != 0) {
    std::printf("  kirabox-batch not run (%s)\n", qPrintable(batch));
  } else {
    const TLoadResult loaded = LoadPicture(out.toStdString());
    std::printf("  last result %s kirabox-batch's\n", loaded && *loaded.bitmap == last ? "equals" : "DIFFERS FROM");
  }
}

}  // namespace

// The main window shows the photo already; automatic preview is switched on.
void RunLiveBench(TFormMain& main, int runs, const QString& photo) {
  gClock.start();
  TWatchHost host(main);
  main.Document().SetHost(&host);
  TWatchEvents events(main, host);
  main.FormImage().installEventFilter(&events);
  main.FormImage().Image1()->installEventFilter(&events);
  main.AutoPreviewItem()->setChecked(true);  // not remembered
  TLive live{main, host, events};
  TimePages(live, runs);
  TimeInput(live, runs);
  TimeDrag(live, runs, photo);
  main.Document().SetHost(&main);
}

}  // namespace kira
