// The main window: page switching, the edit cycle through its buttons,
// opening by extension, drops, saving the shown image, the pop-up menu and
// the closing keys.
#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QMap>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTabWidget>
#include <QUrl>

#include "document/view_geometry.h"

#include "tests/ui/ui_test_support.h"
#include "ui/pages/effect_page.h"
#include "ui/pages/page_menu.h"

using namespace kira;
using namespace kira::test;

namespace {

// A page whose effect is visible in the pixels (every byte inverted), to see
// that the shared Apply runs the Preview when there is no result yet.
class TInvertPage : public TEffectPage {
 public:
  explicit TInvertPage(TFormMain& main) : TEffectPage(main, *PageEntry(7), QStringLiteral("ButtonTestPreview")) {}
  int previews = 0;

  void Preview() override {
    Doc().PreviewInPlace([this](TBitmap& result) {
      ++previews;
      for (int y = 0; y < result.Height(); ++y)
        for (int i = 0; i < 3 * result.Width(); ++i) result.ScanLine(y)[i] ^= 0xFF;
      return true;
    });
  }
};

// A page whose effect runs out of memory half-way.
class TFailingPage : public TEffectPage {
 public:
  explicit TFailingPage(TFormMain& main) : TEffectPage(main, *PageEntry(9), QStringLiteral("ButtonTestFail")) {}

  void Preview() override {
    Doc().PreviewInPlace([](TBitmap& result) -> bool {
      result.ScanLine(0)[0] ^= 0xFF;
      throw std::bad_alloc();
    });
  }
};

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString Path(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void startsWithTheMenuPageAlone() {
    TWindows w;
    QCOMPARE(w.main->windowTitle(), QString::fromUtf8(kAppTitle) + QStringLiteral(" (100%)"));
    QTabWidget* pages = w.main->PageControl();
    QCOMPARE(pages->objectName(), QStringLiteral("PageControl1"));
    QCOMPARE(pages->count(), 14);
    QCOMPARE(pages->tabPosition(), QTabWidget::East);
    QCOMPARE(pages->currentIndex(), 0);
    QCOMPARE(pages->tabText(0), QStringLiteral("メニュー"));
    QCOMPARE(w.VisibleTabs(), 1);
    QCOMPARE(w.main->Panel1()->width(), 198);
    QLabel* histogram = w.main->Control<QLabel>(QStringLiteral("ImageHistogram"));
    QVERIFY(histogram);
    QCOMPARE(histogram->size(), QSize(181, 120));
    const QStringList captions = {"メニュー", "キラボックス", "カラーフィルター", "ソフトネス",
                                  "モノクローム", "リサイズ", "明るさ調整", "シャープネス",
                                  "彩度/明度", "周辺効果", "ミラージュ", "アート効果１",
                                  "回転", "アート効果２"};
    for (int i = 0; i < 14; ++i) {
      QCOMPARE(pages->tabText(i), captions[i]);
      QCOMPARE(pages->widget(i)->objectName(), QStringLiteral("TabSheet%1").arg(i));
    }
  }

  void menuButtonsInOrderOpenTheirPageAlone() {
    TWindows w;
    const QStringList names = {"ButtonReSize", "ButtonRotate", "ButtonX", "ButtonC",
                               "ButtonSharpen", "ButtonSoftness", "ButtonMono", "ButtonBright",
                               "ButtonSaturat", "ButtonEffect1", "ButtonMirage", "ButtonEffect2",
                               "ButtonEffect3", "ButtonExit"};
    const int opens[] = {5, 12, 1, 2, 7, 3, 4, 6, 8, 9, 10, 11, 13};
    const QStringList captions = {"リサイズ", "回転", "キラボックス", "カラーフィルター",
                                  "シャープネス", "ソフトネス", "モノクローム", "明るさ調整",
                                  "彩度/明度", "周辺効果", "ミラージュ", "アート効果１",
                                  "アート効果２", "終了"};
    int lastY = -1;
    for (int i = 0; i < names.size(); ++i) {
      QPushButton* button = w.Button(names[i]);
      QCOMPARE(button->text(), captions[i]);
      QVERIFY(button->y() > lastY);
      lastY = button->y();
    }
    for (int i = 0; i < 13; ++i) {
      w.Click(names[i]);
      QCOMPARE(w.main->OpenPageNumber(), opens[i]);
      QCOMPARE(w.VisibleTabs(), 1);
      QVERIFY(w.main->PageControl()->isTabVisible(opens[i]));
      // Every page carries the common controls.
      const QString n = QString::number(opens[i]);
      QCOMPARE(w.Button("ButtonORG" + n)->text(), QStringLiteral("オリジナル"));
      QCOMPARE(w.Button("ButtonDST" + n)->text(), QStringLiteral("加工後"));
      QCOMPARE(w.Button("ButtonOK" + n)->text(), QStringLiteral("適用"));
      QCOMPARE(w.Button("ButtonCAN" + n)->text(), QStringLiteral("キャンセル"));
      // Apply and Cancel alternate; both bring back the menu page alone.
      w.Click((i % 2 ? "ButtonCAN" : "ButtonOK") + n);
      QCOMPARE(w.main->OpenPageNumber(), 0);
      QCOMPARE(w.VisibleTabs(), 1);
      QVERIFY(w.main->PageControl()->isTabVisible(0));
    }
    const QStringList previews = {"ButtonAPP", "ButtonCOL", "ButtonSOFT", "ButtonMonochrome",
                                  "ButtonReS", "ButtonGammaCorrection", "ButtonSHARP",
                                  "ButtonSaturation", "ButtonEffectView", "ButtonMirageView",
                                  "ButtonEFCT2", "ButtonEFCT3"};
    for (const QString& name : previews) QCOMPARE(w.Button(name)->text(), QStringLiteral("プレビュー"));
    QVERIFY(w.errors.isEmpty());
  }

  void openingAFileReturnsToTheMenuPage() {
    TWindows w;
    const QString photo = WritePicture(Path("menu.bmp"), Pattern(8, 6));
    w.Click("ButtonRotate");
    w.Click("BitBtnLeft");
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::None);  // no picture yet: nothing happened
    w.main->OpenImageFile(photo);
    w.Click("BitBtnLeft");
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP3);
    TQuestionAnswer discard(TQuestionAnswer::Discard);
    w.main->OpenImageFile(photo);
    QVERIFY(discard.asked);
    QCOMPARE(w.main->OpenPageNumber(), 0);
    QCOMPARE(w.VisibleTabs(), 1);
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP1);
    QVERIFY(w.Doc().Result().Empty());
  }

  void applyWithoutPreviewRunsThePreviewOnce() {
    TWindows w;
    const TBitmap original = Pattern(5, 3);
    w.main->OpenImageFile(WritePicture(Path("apply.bmp"), original));
    TInvertPage page(*w.main);
    page.OkButton()->click();
    QCOMPARE(page.previews, 1);
    QCOMPARE(w.Doc().Source().Width(), 5);
    QCOMPARE(static_cast<int>(w.Doc().Source().ScanLine(2)[4]),
             static_cast<int>(static_cast<std::uint8_t>(original.ScanLine(2)[4] ^ 0xFF)));
    QVERIFY(w.Doc().Result().Empty());
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP1);

    // With a result already there Apply takes it as it is.
    page.PreviewButton()->click();
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP3);
    page.OkButton()->click();
    QCOMPARE(page.previews, 2);
    QVERIFY(w.Doc().Source() == original);
    QVERIFY(!QApplication::overrideCursor());
  }

  void cancelAfterPreviewLeavesTheSourceBitForBit() {
    TWindows w;
    w.main->OpenImageFile(WritePicture(Path("cancel.bmp"), Pattern(7, 5)));
    const TBitmap before = w.Doc().Source();
    TInvertPage page(*w.main);
    page.PreviewButton()->click();
    QVERIFY(!(w.Doc().Result() == before));
    page.OrgButton()->click();
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP1);
    page.DstButton()->click();
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP3);
    page.CancelButton()->click();
    QVERIFY(w.Doc().Source() == before);
    QVERIFY(w.Doc().Result().Empty());
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP1);
  }

  // A click on Cancel that arrives while a Preview works must not run inside
  // it: the Preview would then fill a result after the page was closed, and
  // the next page's Apply would take that stale picture.
  void cancelClickedDuringAPreviewLeavesNoStaleResult() {
    TWindows w;
    w.main->OpenImageFile(WritePicture(Path("busy.bmp"), Pattern(9, 6)));
    w.Click(QStringLiteral("ButtonReSize"));
    QCOMPARE(w.main->OpenPageNumber(), 5);
    QPushButton* cancel = w.Button(QStringLiteral("ButtonCAN5"));
    const QPoint centre = cancel->rect().center();
    const QPoint global = cancel->mapToGlobal(centre);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QCoreApplication::postEvent(cancel, new QMouseEvent(type, QPointF(centre), QPointF(global), Qt::LeftButton,
                                                          type == QEvent::MouseButtonPress ? Qt::LeftButton
                                                                                           : Qt::NoButton,
                                                          Qt::NoModifier));
    }
    w.Click(QStringLiteral("ButtonReS"));
    QCoreApplication::processEvents();
    const bool pageOpenWithResult = w.main->OpenPageNumber() == 5 && !w.Doc().Result().Empty();
    const bool menuWithoutResult = w.main->OpenPageNumber() == 0 && w.Doc().Result().Empty();
    QVERIFY(pageOpenWithResult || menuWithoutResult);
    QVERIFY(!QApplication::overrideCursor());
  }

  void anErrorInAHandlerIsShownAndTheProgramGoesOn() {
    TWindows w;
    const TBitmap original = Pattern(4, 4);
    w.main->OpenImageFile(WritePicture(Path("fail.bmp"), original));
    TFailingPage page(*w.main);
    page.PreviewButton()->click();
    QCOMPARE(w.errors.size(), 1);
    QVERIFY(w.errors.first().contains(QStringLiteral("メモリが不足")));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(w.Doc().Source() == original);
    // Apply after the failure runs the Preview again and meets the same
    // error; the half-done result of the first try is never applied.
    page.OkButton()->click();
    QCOMPARE(w.errors.size(), 2);
    QVERIFY(w.Doc().Source() == original);
    QVERIFY(w.main->isVisible());
  }

  void opensByContentWhateverTheName() {
    TWindows w;
    const TBitmap picture = Pattern(6, 4);
    // Any letter case of .jpeg opens.
    w.main->OpenImageFile(WritePicture(Path("PHOTO.JpEg"), picture));
    QCOMPARE(w.Doc().CurrentFileName(), std::string("PHOTO.JpEg"));
    QCOMPARE(w.Image().Caption(), QStringLiteral("PHOTO.JpEg (6x4)"));
    const TBitmap opened = w.Doc().Source();

    // A JPEG under another extension, or a name without one, opens as the
    // JPEG it is.
    QFile::copy(Path("PHOTO.JpEg"), Path("photo.png"));
    QDir(dir_.path()).mkdir(QStringLiteral("a.b"));
    QFile::copy(Path("PHOTO.JpEg"), Path("a.b/photo"));
    for (const QString& name : {QStringLiteral("photo.png"), QStringLiteral("a.b/photo")}) {
      w.main->OpenImageFile(Path(name));
      QVERIFY(w.Doc().Source() == opened);
      QCOMPARE(QString::fromStdString(w.Doc().CurrentFileName()), QFileInfo(name).fileName());
    }
    QVERIFY(w.errors.isEmpty());

    w.main->OpenImageFile(WritePicture(Path("x.BMP"), picture));
    QCOMPARE(w.Doc().CurrentFileName(), std::string("x.BMP"));
    QVERIFY(w.Doc().Source() == picture);
  }

  void anUnreadableFileIsReportedAndChangesNothing() {
    TWindows w;
    w.main->OpenImageFile(WritePicture(Path("good.bmp"), Pattern(4, 4)));
    const TBitmap before = w.Doc().Source();
    QFile bad(Path("broken.jpg"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    for (const QString& name : {QStringLiteral("broken.jpg"), QStringLiteral("missing.bmp")}) {
      w.errors.clear();
      w.main->OpenImageFile(Path(name));
      QCOMPARE(w.errors.size(), 1);
      QVERIFY(w.errors.first().contains(name));
      QVERIFY(w.Doc().Source() == before);
      QCOMPARE(w.Image().Caption(), QStringLiteral("good.bmp (4x4)"));
    }
    QVERIFY(!QApplication::overrideCursor());
  }

  void aDropOpensTheFirstFileOnly() {
    TWindows w;
    const QString first = WritePicture(Path("first.bmp"), Pattern(3, 2));
    const QString second = WritePicture(Path("second.bmp"), Pattern(2, 3));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.main.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.main.get(), &drop);
    QCOMPARE(w.Doc().CurrentFileName(), std::string("first.bmp"));
    QCOMPARE(w.Doc().Source().Width(), 3);
  }

  void savesTheShownImageByExtension() {
    TWindows w;
    // No picture: no dialog opens at all.
    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        dialogSeen = true;
        modal->close();
      }
    });
    w.main->PMenuSClick();
    QCoreApplication::processEvents();
    QVERIFY(!dialogSeen);

    const TBitmap picture = Pattern(6, 4);
    w.main->OpenImageFile(WritePicture(Path("save.bmp"), picture));
    // The dialog proposes the opened path without its extension (which the
    // default extension then completes).
    QCOMPARE(w.main->SavePictureDialog1()->selectedFiles().value(0), Path("save.jpg"));

    AnswerFileDialog(Path("out.BMP"));
    w.main->PMenuSClick();
    QFile bmp(Path("out.BMP"));
    QVERIFY(bmp.open(QIODevice::ReadOnly));
    QCOMPARE(bmp.read(2), QByteArray("BM"));
    QVERIFY(ReadBack(Path("out.BMP")) == picture);

    // The shown image is saved: here the turned result.
    w.Click("ButtonRotate");
    w.Click("BitBtnLeft");
    AnswerFileDialog(Path("turned.jpeg"));
    w.main->PMenuSClick();
    QFile jpeg(Path("turned.jpeg"));
    QVERIFY(jpeg.open(QIODevice::ReadOnly));
    QCOMPARE(jpeg.read(2), QByteArray("\xFF\xD8"));
    QCOMPARE(ReadBack(Path("turned.jpeg")).Width(), 4);

    // A name without extension gets .jpg; an unknown one writes nothing and
    // says which formats save.
    AnswerFileDialog(Path("plain"));
    w.main->PMenuSClick();
    QVERIFY(QFile::exists(Path("plain.jpg")));
    QVERIFY(w.errors.isEmpty());
    AnswerFileDialog(Path("out.gif"));
    w.main->PMenuSClick();
    QVERIFY(!QFile::exists(Path("out.gif")));
    QCOMPARE(w.errors.size(), 1);
    QVERIFY(w.errors.first().contains(QStringLiteral("PNG (.png)、TIFF (.tif, .tiff)、WebP (.webp) と BMP (.bmp)")));
  }

  void savesEveryFormatAndRemembersTheQuality() {
    const TBitmap picture = Pattern(6, 4);
    {
      TWindows w;
      w.main->OpenImageFile(WritePicture(Path("q.bmp"), picture));
      AnswerFileDialog(Path("q.png"));
      w.main->PMenuSClick();
      QVERIFY(ReadBack(Path("q.png")) == picture);
      for (const char* name : {"q.tif", "q.webp"}) {
        AnswerFileDialog(Path(QString::fromLatin1(name)));
        w.main->PMenuSClick();
        QVERIFY2(QFileInfo(Path(QString::fromLatin1(name))).size() > 0, name);
      }
      AnswerFileDialog(Path("q90.jpg"));
      w.main->PMenuSClick();
      AnswerFileDialog(Path("q40.jpg"), 40);
      w.main->PMenuSClick();
      QVERIFY(QFileInfo(Path("q40.jpg")).size() < QFileInfo(Path("q90.jpg")).size());
      QVERIFY(w.errors.isEmpty());
    }
    // The next run offers the quality last chosen.
    TWindows again;
    QCOMPARE(again.main->SavePictureDialog1()->findChild<QSpinBox*>(QStringLiteral("SaveQuality"))->value(), 40);
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "kirabox", "kirabox").remove("save/quality");
  }

  void openDialogOpensTheChosenFile() {
    TWindows w;
    const QString photo = WritePicture(Path("chosen.bmp"), Pattern(5, 5));
    QCOMPARE(w.main->OpenPictureDialog1()->nameFilters().size(), 5);
    AnswerFileDialog(photo);
    w.main->PMenuOClick();
    QCOMPARE(w.Doc().CurrentFileName(), std::string("chosen.bmp"));
  }

  void popupMenuItemsInOrder() {
    TWindows w;
    const QList<QAction*> items = w.main->PopupMenu1()->actions();
    const QStringList names = {"PMenuO", "PMenuS", "N3", "PMenuUndo", "PMenuRedo", "PMenuRecipeSave",
                               "PMenuRecipeApply", "N4", "PMenuT", "PMenuTBack",
                               "N1", "PMenu100", "PMenuFit", "PMenuR", "PMenuAuto", "N2", "PMenuX"};
    const QStringList captions = {"ﾌｧｲﾙ開く (&O)", "ﾌｧｲﾙ保存 (&S)", "", "元に戻す(&U)", "やり直し(&Y)",
                                  "レシピを保存(&E)...", "レシピを適用(&A)...", "",
                                  "サムネイル一覧(&T)", "サムネイル一覧に戻る(&B)", "", "表示サイズ 100% (&1)",
                                  "画面に合わせる(&F)",
                                  "RGBヒストグラム(&R)", "自動プレビュー(&P)", "", "終了 (&X)"};
    QCOMPARE(items.size(), names.size());
    for (int i = 0; i < items.size(); ++i) {
      QCOMPARE(items[i]->objectName(), names[i]);
      QCOMPARE(items[i]->isSeparator(), captions[i].isEmpty());
      if (!captions[i].isEmpty()) QCOMPARE(items[i]->text(), captions[i]);
    }
    // The RGB item ticks itself and sets the document's flag, both ways.
    w.main->PMenuRClick();
    QVERIFY(items[13]->isChecked());
    QVERIFY(w.Doc().RgbHistogram());
    w.main->PMenuRClick();
    QVERIFY(!items[13]->isChecked());
    QVERIFY(!w.Doc().RgbHistogram());
  }

  void popupMenuLettersAreUnique() {
    TWindows w;
    QMap<QChar, QString> taken;
    for (const QAction* item : w.main->PopupMenu1()->actions()) {
      if (item->isSeparator()) continue;
      const qsizetype amp = item->text().indexOf(QLatin1Char('&'));
      QVERIFY2(amp >= 0 && amp + 1 < item->text().size(), qPrintable(item->text()));
      const QChar letter = item->text().at(amp + 1).toUpper();
      QVERIFY2(!taken.contains(letter), qPrintable(taken.value(letter) + " / " + item->text()));
      taken.insert(letter, item->text());
    }
  }

  void saveItemIsGreyedWithoutAPicture() {
    TWindows w;
    QAction* save = w.main->SaveItem();
    QVERIFY(!save->isEnabled());
    w.main->OpenImageFile(Path("missing.bmp"));  // a failed open leaves it greyed
    QVERIFY(!save->isEnabled());
    w.main->OpenImageFile(WritePicture(Path("grey.bmp"), Pattern(4, 4)));
    QVERIFY(save->isEnabled());
  }

  void escCancelsAnOpenPageWhereverTheKeyboardIsAndOtherwiseCloses() {
    TWindows w;
    w.main->OpenImageFile(WritePicture(Path("esc.bmp"), Pattern(4, 3)));
    w.Click("ButtonRotate");
    w.Click("BitBtnFlip");
    QTest::keyClick(w.Button("BitBtnFlip"), Qt::Key_Escape);
    QVERIFY(w.main->isVisible());
    QCOMPARE(w.main->OpenPageNumber(), 0);
    QVERIFY(w.Doc().Result().Empty());
    // Every page, from each of its controls that takes the keyboard and from
    // the image window and its frame.
    for (int n = 1; w.main->Page(n); ++n) {
      QList<QWidget*> targets = w.main->Page(n)->findChildren<QWidget*>();
      targets.removeIf([](const QWidget* c) { return c->focusPolicy() == Qt::NoFocus; });
      targets << &w.Image() << static_cast<QWidget*>(w.Image().Frame());
      for (QWidget* target : targets) {
        w.main->OpenEffectPage(n);
        if (!target->isVisible() || !target->isEnabled()) continue;
        target->setFocus();
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : target, Qt::Key_Escape);
        QVERIFY2(w.main->OpenPageNumber() == 0, qPrintable(QString("page %1, %2").arg(n).arg(target->objectName())));
        QVERIFY(w.main->isVisible());
      }
    }
    QTest::keyClick(w.Button("ButtonRotate"), Qt::Key_Escape);
    QVERIFY(!w.main->isVisible());
  }

  void zClosesFromEitherWindowWhateverPageIsOpen() {
    {
      TWindows w;
      w.Click("ButtonX");
      QTest::keyClick(w.Button("ButtonAPP"), Qt::Key_Z, Qt::ShiftModifier);
      QVERIFY(!w.main->isVisible());
    }
    {
      TWindows w;
      w.Click("ButtonRotate");
      w.Image().setFocus();
      QTest::keyClick(&w.Image(), Qt::Key_Z);
      QVERIFY(!w.main->isVisible());
    }
  }

  void thumbnailWindowStartsCentredAboveTheBottom() {
    QCOMPARE(TFormThumb::StartPosition(QSize(1280, 1024), QSize(566, 257)), QPoint(357, 719));
    QCOMPARE(TFormThumb::StartPosition(QSize(1281, 768), QSize(566, 257)), QPoint(357, 463));
    // A screen smaller than the window puts it partly off the screen, as
    // the rule says; nothing divides by the sizes.
    QCOMPARE(TFormThumb::StartPosition(QSize(400, 200), QSize(566, 257)), QPoint(-83, -105));
    TWindows w;
    QCOMPARE(w.main->FormThumb().size(), QSize(566, 257));
    QVERIFY(w.main->FormThumb().Caption().isEmpty());
  }

  void exitCommandsClose() {
    {
      TWindows w;
      w.Click("ButtonExit");
      QVERIFY(!w.main->isVisible());
    }
    {
      TWindows w;
      w.main->FormThumb().show();
      w.main->PMenuXClick();
      QVERIFY(!w.main->isVisible());
      QVERIFY(!w.main->FormThumb().isVisible());
    }
  }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
