// The controls of the effect pages against their settings tables: every page
// is built from its table, opens with each control as its row says, and
// shows the row's defaults again when it is opened anew; the two lists of
// pages agree.
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include "pages/art1_page.h"
#include "pages/page_list.h"
#include "pages/rotate_page.h"
#include "pages/star_page.h"
#include "tests/ui/ui_test_support.h"
#include "ui/pages/effect_page.h"
#include "ui/pages/page_widgets.h"

using namespace kira;
using namespace kira::test;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The label text of a track bar's row: its caption until the bar first
// moves, the row's format of the position after that.
QString LabelText(const TParamSpec& row, bool moved) {
  return moved || row.labelCaption.empty() ? Q(row.format(row.def)) : Q(row.labelCaption);
}

// Every control of a table against its row; moved: the controls have been
// changed and reset since the window was built.
void CompareWithRows(TWindows& w, const std::vector<TParamSpec>& rows, bool moved) {
  for (const TParamSpec& row : rows) {
    const QByteArray key = QByteArray::fromStdString(row.key);
    switch (row.control) {
      case TControlKind::None:
        if (!row.name.empty()) QVERIFY2(w.main->Control<QWidget>(Q(row.name)), key);
        break;
      case TControlKind::SpinEdit: {
        auto* spin = w.main->Control<QSpinBox>(Q(row.name));
        QVERIFY2(spin, key);
        QCOMPARE(spin->minimum(), row.ControlMin());
        QCOMPARE(spin->maximum(), row.ControlMax());
        QCOMPARE(spin->singleStep(), row.LineStep());
        if (row.HasDefault()) QCOMPARE(spin->value(), row.def);
        QCOMPARE(spin->toolTip(), row.rangeHint ? QStringLiteral("%1～%2").arg(row.ControlMin()).arg(row.ControlMax())
                                                : Q(row.hint));
        break;
      }
      case TControlKind::TrackBar: {
        auto* bar = w.main->Control<QSlider>(Q(row.name));
        QVERIFY2(bar, key);
        QCOMPARE(bar->minimum(), row.ControlMin());
        QCOMPARE(bar->maximum(), row.ControlMax());
        QCOMPARE(bar->value(), row.def);
        QCOMPARE(bar->singleStep(), row.LineStep());
        QCOMPARE(bar->pageStep(), row.PageStep());
        QCOMPARE(bar->tickInterval(), row.tickInterval);
        QCOMPARE(bar->toolTip(), Q(row.hint));
        if (!row.label.empty()) QCOMPARE(w.main->Control<QLabel>(Q(row.label))->text(), LabelText(row, moved));
        break;
      }
      case TControlKind::CheckBox: {
        auto* box = w.main->Control<QCheckBox>(Q(row.name));
        QVERIFY2(box, key);
        QCOMPARE(box->isChecked(), row.def != 0);
        QCOMPARE(box->text(), Q(row.caption));
        break;
      }
      case TControlKind::Radios:
        QCOMPARE(row.radios.size(), row.choices.size());
        for (std::size_t i = 0; i < row.radios.size(); ++i) {
          auto* radio = w.main->Control<QRadioButton>(Q(row.radios[i].name));
          QVERIFY2(radio, key);
          QCOMPARE(radio->text(), Q(row.radios[i].caption));
          QCOMPARE(radio->isChecked(), static_cast<int>(i) == row.def);
        }
        break;
    }
  }
}

// Every control of a table away from its default.
void ChangeAll(TWindows& w, const std::vector<TParamSpec>& rows) {
  for (const TParamSpec& row : rows) {
    if (!row.HasDefault()) continue;
    if (auto* spin = w.main->Control<QSpinBox>(Q(row.name)))
      spin->setValue(row.def == row.ControlMax() ? row.ControlMin() : row.ControlMax());
    if (auto* bar = w.main->Control<QSlider>(Q(row.name)))
      bar->setValue(row.def == row.ControlMax() ? row.ControlMin() : row.ControlMax());
    if (auto* box = w.main->Control<QCheckBox>(Q(row.name))) box->setChecked(!box->isChecked());
    if (row.control == TControlKind::Radios)
      w.main->Control<QRadioButton>(Q(row.radios[row.def == 0 ? 1 : 0].name))->setChecked(true);
  }
}

}  // namespace

class TestEffectPages : public QObject {
  Q_OBJECT

 private slots:
  void theListsOfPagesAgree() {
    QCOMPARE(Q(PageListProblem()), QString());
    QCOMPARE(Q(PageWidgetsProblem()), QString());
    const std::vector<TPageEntry> pages = {{1, "a", StarSteps, nullptr}, {2, "b", RotateSteps, nullptr}};
    const struct {
      std::vector<TPageWidgetEntry> widgets;
      const char* problem;
    } cases[] = {
        {{{RotateSteps, "B", nullptr}, {StarSteps, "A", nullptr}}, ""},
        {{{StarSteps, "A", nullptr}}, "page 'b' has 0 rows in the editor's list"},
        {{{StarSteps, "A", nullptr}, {RotateSteps, "B", nullptr}, {StarSteps, "C", nullptr}},
         "page 'a' has 2 rows in the editor's list"},
        {{{StarSteps, "A", nullptr}, {RotateSteps, "B", nullptr}, {Art1Steps, "C", nullptr}},
         "the editor's row of button 'C' has no page"},
    };
    for (const auto& c : cases) QCOMPARE(Q(PageWidgetsProblem(pages, c.widgets)), QString::fromUtf8(c.problem));
    // A broken page list is the first thing said.
    QCOMPARE(Q(PageWidgetsProblem({{2, "a", StarSteps, nullptr}}, {{StarSteps, "A", nullptr}})),
             QStringLiteral("page 'a' has the number 2 in place of 1"));
    TWindows w;
    const int count = static_cast<int>(AllPages().size());
    QCOMPARE(w.main->PageControl()->count(), count + 1);
    for (const TPageEntry& page : AllPages()) {
      TEffectPage* widget = w.main->Page(page.number);
      QVERIFY(widget);
      QCOMPARE(widget->Number(), page.number);
      QCOMPARE(widget->Caption(), QString::fromUtf8(page.caption));
      QCOMPARE(w.main->PageControl()->indexOf(widget), page.number);
    }
    QVERIFY(!w.main->Page(0));
    QVERIFY(!w.main->Page(count + 1));
  }

  // Each page as its table says when the window is built and when the page
  // opens; changed, left and opened again, the defaults return.
  void controlsAreTheirTablesRows() {
    TWindows w;
    for (const TPageEntry& page : AllPages()) {
      if (!page.params) continue;
      const std::vector<TParamSpec>& rows = page.params();
      const QString menu = QString::fromLatin1(PageWidget(page)->menuButton);
      const QString cancel = QStringLiteral("ButtonCAN%1").arg(page.number);
      CompareWithRows(w, rows, false);
      w.Click(menu);
      CompareWithRows(w, rows, false);
      ChangeAll(w, rows);
      w.Click(cancel);
      w.Click(menu);
      CompareWithRows(w, rows, true);
      w.Click(cancel);
      if (QTest::currentTestFailed()) qFatal("page %d differs from its table", page.number);
    }
  }

  // The arrow keys move every track bar by 10, Page Up and a click in the
  // groove by its page step; neither runs from one end of a short range to
  // the other.
  void trackBarsStepWithinTheirRange() {
    TWindows w;
    const struct {
      const char* menu;
      const char* bar;
      int arrow, page;  // the positions after Right, and after Page Up, from the default
    } cases[] = {
        {"ButtonBright", "TrackBarGamma", 10, 20},     {"ButtonSaturat", "TrackBarSaturation", 10, 20},
        {"ButtonEffect1", "TrackBarEffect1", 60, 60},  {"ButtonEffect2", "TrackBarEFCT22", 138, 160},
        {"ButtonEffect3", "TrackBarEFCT31", 74, 96},   {"ButtonSharpen", "TrackBarSharp", 10, 20},
        {"ButtonSoftness", "TrackBarSoftness", 1, 1},  {"ButtonEffect2", "TrackBarEFCT21", 2, 2},
        {"ButtonEffect2", "TrackBarEFCT23", 9, 10},    {"ButtonMirage", "TrackBarNoudo", 11, 14},
    };
    for (const auto& c : cases) {
      w.Click(QString::fromLatin1(c.menu));
      auto* bar = w.main->Control<QSlider>(QString::fromLatin1(c.bar));
      QVERIFY2(bar, c.bar);
      const int start = bar->value();
      QTest::keyClick(bar, Qt::Key_Right);
      QVERIFY2(bar->value() == c.arrow, c.bar);
      bar->setValue(start);
      QTest::keyClick(bar, Qt::Key_PageUp);
      QVERIFY2(bar->value() == c.page, c.bar);
      w.main->Page(w.main->OpenPageNumber())->CancelButton()->click();
    }
    // Every track bar of every page has four times as many positions as
    // either of its steps.
    for (const TPageEntry& page : AllPages()) {
      for (const TParamSpec& row : page.params ? page.params() : std::vector<TParamSpec>{}) {
        if (row.control != TControlKind::TrackBar) continue;
        auto* bar = w.main->Control<QSlider>(Q(row.name));
        QVERIFY2(4 * bar->singleStep() <= bar->maximum() - bar->minimum() + 1, row.name.c_str());
        QVERIFY2(4 * bar->pageStep() <= bar->maximum() - bar->minimum() + 1, row.name.c_str());
      }
    }
  }

  // The monochrome page's circles stand out from the coloured backgrounds,
  // and the chosen one shows its dot.
  void monochromeRadioCirclesAreVisible() {
    TWindows w;
    w.Click("ButtonMono");
    auto radioNumber = [&w](int k) { return w.main->Control<QRadioButton>(QStringLiteral("RadioButtonMono%1").arg(k)); };
    for (int k = 1; k <= 5; ++k) {
      QRadioButton* radio = radioNumber(k);
      QImage shown[2];
      for (bool checked : {false, true}) {
        radioNumber(checked ? k : k % 5 + 1)->setChecked(true);
        // The circle's corner of the button, left of the caption.
        shown[checked] = radio->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(0, 0, 16, radio->height());
        int light = 0;
        for (int y = 0; y < shown[checked].height(); ++y)
          for (int x = 0; x < 16; ++x) light += qGray(shown[checked].pixel(x, y)) > 200;
        QVERIFY2(light >= 40, qPrintable(radio->objectName()));
      }
      QVERIFY2(shown[0] != shown[1], qPrintable(radio->objectName()));
    }
  }

  void valueLabelsShowThePlainNumber() {
    TWindows w;
    w.Click("ButtonSaturat");
    w.main->Control<QSlider>(QStringLiteral("TrackBarSaturation"))->setValue(-35);
    QCOMPARE(w.main->Control<QLabel>(QStringLiteral("LabelSaturation"))->text(), QStringLiteral("-35"));
    w.Click("ButtonCAN8");
    w.Click("ButtonEffect2");
    auto* fisheye = w.main->Control<QSlider>(QStringLiteral("TrackBarEFCT23"));
    auto* label = w.main->Control<QLabel>(QStringLiteral("LabelEFCT23"));
    fisheye->setValue(1);
    QCOMPARE(label->text(), QStringLiteral("0.1"));
    fisheye->setValue(10);
    QCOMPARE(label->text(), QStringLiteral("1.0"));
    fisheye->setValue(11);
    QCOMPARE(label->text(), QStringLiteral("1.1"));
  }
};

QTEST_MAIN(TestEffectPages)
#include "test_effect_pages.moc"
