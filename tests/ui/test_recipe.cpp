// Recipes between the editor and kirabox-batch: what was applied by hand in
// the window, saved as a recipe and run by the batch tool on the same photo,
// gives the bytes the editor holds; a recipe applied in the editor gives the
// batch tool's bytes.
#include <QProcess>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include "pages/page_list.h"
#include "tests/ui/ui_test_support.h"
#include "ui/pages/effect_page.h"

using namespace kira;
using namespace kira::test;

class TestRecipe : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  const QString photo_ = QStringLiteral(KIRA_TESTDATA "/photos/rocket.jpg");

  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

  QStringList Lines(const char* name) const {
    QFile file(Path(name));
    if (!file.open(QIODevice::ReadOnly)) qFatal("no recipe %s", name);
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  }

  TBitmap RunBatch(const QString& recipe) {
    const QString out = Path("batch.bmp");
    QFile::remove(out);
    QProcess batch;
    batch.start(QStringLiteral(KIRA_BATCH_BIN), {QStringLiteral("--seed"), QStringLiteral("4242"),
                                                 QStringLiteral("--recipe"), recipe, photo_, out});
    if (!batch.waitForFinished(120000) || batch.exitCode() != 0)
      qFatal("kirabox-batch failed: %s", batch.readAllStandardError().constData());
    return ReadBack(out);
  }

  // Opens page n as its menu button does, moves its first control off its
  // default as a user would (the next radio button, a track bar or spin edit
  // to another value; the rotation's 90° button), and applies.
  static void ApplyPage(TWindows& w, int n) {
    TEffectPage* page = w.main->Page(n);
    page->OpenFromMenu();
    const TPageEntry& entry = page->Entry();
    if (!entry.params) {
      w.Click(QStringLiteral("BitBtnRight"));
    } else {
      const TParamSpec* pick = nullptr;
      for (const TParamSpec& row : entry.params()) {
        if (row.control == TControlKind::Radios) {
          pick = &row;
          break;
        }
        if (!pick && (row.control == TControlKind::TrackBar || row.control == TControlKind::SpinEdit)) pick = &row;
      }
      if (!pick) qFatal("page %d has no control to move", n);
      if (pick->control == TControlKind::Radios) {
        const TRadioChoice& next = pick->radios[static_cast<std::size_t>(pick->def + 1) % pick->radios.size()];
        page->findChild<QRadioButton*>(QString::fromStdString(next.name))->click();
      } else if (auto* bar = page->findChild<QSlider*>(QString::fromStdString(pick->name))) {
        bar->setValue(bar->value() == bar->maximum() ? bar->minimum() : (bar->value() + bar->maximum() + 1) / 2);
      } else {
        auto* spin = page->findChild<QSpinBox*>(QString::fromStdString(pick->name));
        spin->setValue(spin->value() == spin->maximum() ? spin->minimum() : (spin->value() + spin->maximum() + 1) / 2);
      }
    }
    page->OkButton()->click();
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void eachPageAppliedByHandIsTheBatchRecipesBytes() {
    for (const TPageEntry& entry : AllPages()) {
      TWindows w;
      w.main->OpenImageFile(photo_);
      ApplyPage(w, entry.number);
      QCOMPARE(w.Doc().UndoSteps(), std::size_t{1});
      QVERIFY(w.main->SaveRecipeTo(Path("page.kbr")));
      QVERIFY2(w.errors.isEmpty(), qPrintable(w.errors.join('\n')));
      const QStringList lines = Lines("page.kbr");
      QVERIFY2(lines.size() == 2 && !lines[1].startsWith('#'), qPrintable(lines.join('\n')));
      QVERIFY2(w.Doc().Source() == RunBatch(Path("page.kbr")), entry.caption);
    }
  }

  void fivePagesWithNoiseChainInOneRecipeBothWays() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    for (int n : {13, 3, 12, 6, 2, 7, 11}) ApplyPage(w, n);  // 13: colour noise to monochrome noise
    // Two undone steps are not in the recipe.
    QVERIFY(w.Doc().Undo() && w.Doc().Undo());
    QVERIFY(w.main->SaveRecipeTo(Path("five.kbr")));
    const QStringList lines = Lines("five.kbr");
    QCOMPARE(lines.size(), 6);
    QVERIFY(lines[1].startsWith(QStringLiteral("art2:kind=mononoise,level=")) && lines[1].contains("seed="));
    const TBitmap batch = RunBatch(Path("five.kbr"));
    QVERIFY(w.Doc().Source() == batch);

    TWindows again;
    again.main->OpenImageFile(photo_);
    QVERIFY(again.main->ApplyRecipeFrom(Path("five.kbr")));
    QCOMPARE(again.Doc().UndoSteps(), std::size_t{5});
    QVERIFY(again.Doc().Source() == batch);
  }

  void aStepThatCannotBeReplayedIsACommentAndSaidInOneLine() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    TEffectPage* page = w.main->Page(13);
    page->OpenFromMenu();
    page->findChild<QRadioButton*>(QStringLiteral("RadioButtonEFCT33"))->click();  // the ripple
    page->OkButton()->click();
    ApplyPage(w, 3);
    QVERIFY(w.main->SaveRecipeTo(Path("ripple.kbr")));
    QCOMPARE(w.errors.size(), 1);
    QVERIFY2(w.errors[0].contains(QStringLiteral("1 個")), qPrintable(w.errors[0]));
    const QStringList lines = Lines("ripple.kbr");
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[1].startsWith(QStringLiteral("# left out: art2:kind=ripple")));
  }

  void aDamagedRecipeChangesNothingAndAFailingLineIsNamed() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    const TBitmap before = w.Doc().Source();
    const struct {
      const char* text;
      const char* named;
    } cases[] = {
        {"# kirabox 1 recipe\nsoftness\nsoftness:level=x\n", "bad.kbr:3: 'x' is not an integer"},
        {"# kirabox 1 recipe\nmonochrome\nresize:width=1,height=1\nperipheral:radius=1\nsoftness\n",
         "bad.kbr:4: "},
    };
    for (const auto& c : cases) {
      QFile file(Path("bad.kbr"));
      QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(c.text);
      file.close();
      w.errors.clear();
      QVERIFY(!w.main->ApplyRecipeFrom(Path("bad.kbr")));
      QCOMPARE(w.errors.size(), 1);
      QVERIFY2(w.errors[0].contains(QString::fromLatin1(c.named)), qPrintable(w.errors[0]));
    }
    // The parse error ran nothing; the failing fourth line left two Apply steps.
    QCOMPARE(w.Doc().UndoSteps(), std::size_t{2});
    QVERIFY(w.Doc().Undo() && w.Doc().Undo());
    QVERIFY(w.Doc().Source() == before);
  }
};

QTEST_MAIN(TestRecipe)
#include "test_recipe.moc"
