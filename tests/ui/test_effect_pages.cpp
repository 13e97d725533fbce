// The controls of the effect pages: names, ranges, defaults, and the reset
// each page does when it is shown again.
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>

#include "tests/ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

namespace {

struct TBar {
  const char* name;
  int min, max, value;
  const char* label;         // value label, or null
  const char* designCaption;
};

struct TPageCase {
  const char* menuButton;
  const char* cancelButton;
  const char* defaultRadio;
  QList<const char*> otherRadios;
  QList<TBar> bars;
};

}  // namespace

class TestEffectPages : public QObject {
  Q_OBJECT

 private slots:
  void controlsAndTheirResetOnShow() {
    const QList<TPageCase> cases = {
        {"ButtonSharpen", "ButtonCAN7", "RadioButtonSharpen", {"RadioButtonFocus"},
         {{"TrackBarSharp", 0, 100, 0, nullptr, nullptr}}},
        {"ButtonSoftness", "ButtonCAN3", "RadioButtonGaussianBlur",
         {"RadioButtonBlur", "RadioButtonRadialBlur", "RadioButtonAngleBlur", "RadioButtonSoften"},
         {{"TrackBarSoftness", 0, 6, 0, nullptr, nullptr}}},
        {"ButtonSaturat", "ButtonCAN8", "RadioButtonSaturation", {"RadioButtonLuminance"},
         {{"TrackBarSaturation", -100, 100, 0, "LabelSaturation", "   0"}}},
        {"ButtonEffect1", "ButtonCAN9", "RadioButtonSpotLight",
         {"RadioButtonColorSpotLight", "RadioButtonVaseline"},
         {{"TrackBarEffect1", 1, 100, 50, "LabelEffect1", "   50"}}},
        {"ButtonEffect2", "ButtonCAN11", "RadioButtonEFCT21",
         {"RadioButtonEFCT22", "RadioButtonEFCT23", "RadioButtonEFCT24", "RadioButtonEFCT25",
          "RadioButtonEFCT26", "RadioButtonEFCT27", "RadioButtonEFCT28"},
         {{"TrackBarEFCT21", 1, 5, 1, "LabelEFCT21", "   1"},
          {"TrackBarEFCT22", 0, 255, 128, "LabelEFCT22", "   128"},
          {"TrackBarEFCT23", 1, 11, 8, "LabelEFCT23", "   0.8"},
          {"TrackBarEFCT25", 5, 55, 20, "LabelEFCT25", "   20"},
          {"TrackBarEFCT26", 1, 100, 20, "LabelEFCT26", "   20"}}},
        {"ButtonEffect3", "ButtonCAN13", "RadioButtonEFCT31",
         {"RadioButtonEFCT32", "RadioButtonEFCT33", "RadioButtonEFCT34"},
         {{"TrackBarEFCT31", 1, 128, 64, "LabelEFCT31", "   64"}}},
    };
    TWindows w;
    for (const TPageCase& c : cases) {
      auto* radio = w.main->Control<QRadioButton>(c.defaultRadio);
      QVERIFY2(radio, c.defaultRadio);
      QVERIFY(radio->isChecked());
      for (const TBar& bar : c.bars) {
        auto* slider = w.main->Control<QSlider>(bar.name);
        QVERIFY2(slider, bar.name);
        QCOMPARE(slider->minimum(), bar.min);
        QCOMPARE(slider->maximum(), bar.max);
        QCOMPARE(slider->value(), bar.value);
        if (bar.label)
          QCOMPARE(w.main->Control<QLabel>(bar.label)->text(), QString::fromUtf8(bar.designCaption));
      }
      // Change everything, leave, come back: the defaults return.
      w.Click(c.menuButton);
      auto* other = w.main->Control<QRadioButton>(c.otherRadios.last());
      QVERIFY2(other, c.otherRadios.last());
      other->setChecked(true);
      for (const TBar& bar : c.bars) w.main->Control<QSlider>(bar.name)->setValue(bar.max);
      w.Click(c.cancelButton);
      w.Click(c.menuButton);
      QVERIFY(radio->isChecked());
      QVERIFY(!other->isChecked());
      for (const TBar& bar : c.bars) {
        QCOMPARE(w.main->Control<QSlider>(bar.name)->value(), bar.value);
        if (bar.label && QByteArray(bar.name) != "TrackBarEFCT23")
          QCOMPARE(w.main->Control<QLabel>(bar.label)->text(), QString::number(bar.value));
      }
      w.Click(c.cancelButton);
    }
    auto* checkBox = w.main->Control<QCheckBox>(QStringLiteral("CheckBox26"));
    QVERIFY(checkBox);
    QVERIFY(checkBox->text().isEmpty());
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
