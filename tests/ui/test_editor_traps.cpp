// The editor without traps: undo and redo of Apply by keys and menu, the
// question before unsaved work is lost (on closing and on opening another
// file), names with other extensions, the
// file named once in messages, the image window's normal state, the star
// page's tools released on leaving it, fit to window, and the toolkit's
// dialogs in Japanese.
#include <QAction>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QLibraryInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <QUrl>
#include <QToolButton>
#include <functional>

#include "document/view_geometry.h"
#include "tests/ui/ui_test_support.h"
#include "ui/application.h"
#include "ui/translation.h"

using namespace kira;
using namespace kira::test;

class TestEditorTraps : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString Path(const QString& name) const { return dir_.filePath(name); }

  void Open(TWindows& w, const QString& name, const TBitmap& picture) {
    w.main->OpenImageFile(WritePicture(Path(name), picture));
  }
  template <class T>
  T* C(TWindows& w, const char* name) {
    auto* c = w.main->Control<T>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
  }
  // Three Applies through the pages: a flip, monochrome, a left turn.
  std::vector<TBitmap> ApplyThree(TWindows& w) {
    std::vector<TBitmap> sources{w.Doc().Source()};
    w.Click("ButtonRotate");
    w.Click("BitBtnFlip");
    w.Click("ButtonOK12");
    sources.push_back(w.Doc().Source());
    w.Click("ButtonMono");
    w.Click("ButtonOK4");
    sources.push_back(w.Doc().Source());
    w.Click("ButtonRotate");
    w.Click("BitBtnLeft");
    w.Click("ButtonOK12");
    sources.push_back(w.Doc().Source());
    return sources;
  }
  void Activate(TWindows& w) {
    w.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void undoAndRedoByKeysAndMenu() {
    TWindows w;
    Activate(w);
    QVERIFY(!w.main->UndoItem()->isEnabled());
    QVERIFY(!w.main->RedoItem()->isEnabled());
    Open(w, "keys.bmp", Pattern(6, 4));
    const std::vector<TBitmap> s = ApplyThree(w);
    QVERIFY(!(s[1] == s[0]) && !(s[2] == s[1]) && !(s[3] == s[2]));
    QVERIFY(w.main->UndoItem()->isEnabled());
    QVERIFY(!w.main->RedoItem()->isEnabled());
    QCOMPARE(w.Image().Caption(), QStringLiteral("keys.bmp (4x6)"));

    // An open page with a pending preview: undo drops it and shows the menu.
    w.Click("ButtonMono");
    w.Click("ButtonMonochrome");
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP3);

    // Each row: the key (from the main window or the image window), the
    // source after it, the items' states.
    struct {
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      bool imageWindow;
      int source;
      bool undo, redo;
    } rows[] = {
        {Qt::Key_Z, Qt::ControlModifier, false, 2, true, true},
        {Qt::Key_Z, Qt::ControlModifier, true, 1, true, true},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, false, 2, true, true},
        {Qt::Key_Y, Qt::ControlModifier, true, 3, true, false},
        {Qt::Key_Y, Qt::ControlModifier, false, 3, true, false},  // nothing to redo
        {Qt::Key_Z, Qt::ControlModifier, false, 2, true, true},
    };
    for (const auto& r : rows) {
      QWidget* target = r.imageWindow ? static_cast<QWidget*>(&w.Image()) : w.Button("ButtonExit");
      target->setFocus();
      QTest::keyClick(target, r.key, r.modifiers);
      QVERIFY(w.main->isVisible());
      QVERIFY(w.Doc().Source() == s[r.source]);
      QCOMPARE(w.main->UndoItem()->isEnabled(), r.undo);
      QCOMPARE(w.main->RedoItem()->isEnabled(), r.redo);
      QCOMPARE(w.main->OpenPageNumber(), 0);
      QCOMPARE(w.VisibleTabs(), 1);
      QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP1);
      QVERIFY(w.Doc().Result().Empty());
      QCOMPARE(w.Image().Image1()->Picture(), &w.Doc().Source());
    }
    // The caption follows the size of the source brought back.
    QCOMPARE(w.Image().Caption(), QStringLiteral("keys.bmp (6x4)"));

    // The pop-up menu's items, after the save item; a new Apply drops redo.
    const QList<QAction*> items = w.main->PopupMenu1()->actions();
    QCOMPARE(items.value(3), w.main->UndoItem());
    QCOMPARE(items.value(3)->text(), QStringLiteral("元に戻す(&U)"));
    QCOMPARE(items.value(4)->text(), QStringLiteral("やり直し(&Y)"));
    w.main->UndoItem()->trigger();
    QVERIFY(w.Doc().Source() == s[1]);
    w.Click("ButtonRotate");
    w.Click("BitBtnRight");
    w.Click("ButtonOK12");
    QVERIFY(!w.main->RedoItem()->isEnabled());
    w.main->UndoItem()->trigger();
    QVERIFY(w.Doc().Source() == s[1]);
  }

  void closingAsksOnlyWhenWorkWouldBeLost() {
    enum TWay { ZOnButton, ZOnImage, EscOnMenu, EscOnImage, ExitButton, ExitItem, WindowManager };
    const std::vector<std::pair<const char*, std::function<void(TWindows&)>>> ways = {
        {"Z on a page button", [](TWindows& w) { QTest::keyClick(w.Button("ButtonMono"), Qt::Key_Z); }},
        {"Z on the picture", [](TWindows& w) { QTest::keyClick(&w.Image(), Qt::Key_Z); }},
        {"Esc on the menu page", [](TWindows& w) { QTest::keyClick(w.Button("ButtonMono"), Qt::Key_Escape); }},
        {"Esc on the picture", [](TWindows& w) { QTest::keyClick(&w.Image(), Qt::Key_Escape); }},
        {"終了", [](TWindows& w) { w.Click("ButtonExit"); }},
        {"the pop-up's exit", [](TWindows& w) { w.main->PopupMenu1()->actions().last()->trigger(); }},
        {"the window manager",
         [](TWindows& w) {
           QCloseEvent close;
           QApplication::sendEvent(w.main.get(), &close);
           if (close.isAccepted()) w.main->hide();
         }},
    };
    for (const auto& [name, way] : ways) {
      // Nothing applied since the open: closes at once.
      {
        TWindows w;
        Open(w, "calm.bmp", Pattern(5, 3));
        TQuestionAnswer answer(TQuestionAnswer::Cancel);
        way(w);
        QVERIFY2(!w.main->isVisible(), name);
        QCoreApplication::processEvents();
        QVERIFY2(!answer.asked, name);
      }
      // After an Apply: asked; Cancel, Return and Esc keep the program,
      // 保存しない ends it.
      TWindows w;
      Open(w, "work.bmp", Pattern(5, 3));
      w.Click("ButtonMono");
      w.Click("ButtonOK4");
      for (auto choice : {TQuestionAnswer::Cancel, TQuestionAnswer::Return, TQuestionAnswer::Escape}) {
        TQuestionAnswer answer(choice);
        way(w);
        QVERIFY2(answer.asked, name);
        QVERIFY(answer.defaultIsCancel);
        QCOMPARE(answer.text, QStringLiteral("保存されていない変更があります。終了する前に保存しますか?"));
        QVERIFY2(w.main->isVisible(), name);
      }
      TQuestionAnswer quit(TQuestionAnswer::Discard);
      way(w);
      QVERIFY2(quit.asked, name);
      QVERIFY2(!w.main->isVisible(), name);
    }
  }

  void aPendingPreviewIsAskedAboutAndSavingEndsTheQuestion() {
    TWindows w;
    Open(w, "pending.bmp", Pattern(5, 3));
    w.Click("ButtonRotate");
    w.Click("BitBtnFlip");
    {
      TQuestionAnswer answer(TQuestionAnswer::Cancel);
      w.main->PMenuXClick();
      QVERIFY(answer.asked);
    }
    w.Click("ButtonOK12");
    AnswerFileDialog(Path("pending-saved.bmp"));
    w.main->PMenuSClick();
    QVERIFY(QFile::exists(Path("pending-saved.bmp")));
    {
      TQuestionAnswer answer(TQuestionAnswer::Cancel);
      w.main->PMenuXClick();
      QCoreApplication::processEvents();
      QVERIFY(!answer.asked);
      QVERIFY(!w.main->isVisible());
    }
    // 保存 in the question saves what is shown, the preview, and then closes;
    // a cancelled save dialog keeps the program.
    w.main->show();
    w.Click("ButtonRotate");
    w.Click("BitBtnLeft");
    const TBitmap preview = w.Doc().Result();
    for (const QString& saveAs : {QString(), Path("closing.bmp")}) {
      TQuestionAnswer answer(TQuestionAnswer::Save, saveAs);
      w.main->PMenuXClick();
      QVERIFY(answer.asked);
      QCOMPARE(w.main->isVisible(), saveAs.isEmpty());
    }
    QVERIFY(ReadBack(Path("closing.bmp")) == preview);
  }

  void openingAnotherFileAsksAsClosingDoes() {
    const QString next = WritePicture(Path("next.bmp"), Pattern(3, 7));
    const std::vector<std::pair<const char*, std::function<void(TWindows&)>>> ways = {
        {"the open dialog",
         [next](TWindows& w) {
           AnswerFileDialog(next);
           w.main->PMenuOClick();
         }},
        {"a thumbnail", [next](TWindows& w) { w.main->OpenImageFile(next); }},
        {"a drop",
         [next](TWindows& w) {
           QMimeData data;
           data.setUrls({QUrl::fromLocalFile(next)});
           w.main->HandleDroppedFiles(&data);
         }},
    };
    // Each answer: what it does with the save dialog, and whether the
    // other file opens.
    struct {
      TQuestionAnswer::TChoice choice;
      const char* saveAs;  // empty: the save dialog is cancelled
      bool opens;
    } answers[] = {
        {TQuestionAnswer::Cancel, "", false},      {TQuestionAnswer::Escape, "", false},
        {TQuestionAnswer::Return, "", false},      {TQuestionAnswer::Save, "", false},
        {TQuestionAnswer::Save, "refused.gif", false}, {TQuestionAnswer::Save, "kept.bmp", true},
        {TQuestionAnswer::Discard, "", true},
    };
    for (const auto& [name, way] : ways) {
      for (const auto& a : answers) {
        TWindows w;
        Open(w, "first.bmp", Pattern(5, 3));
        {
          // Nothing applied: opens at once.
          TQuestionAnswer answer(TQuestionAnswer::Cancel);
          way(w);
          QVERIFY2(!answer.asked, name);
          QCOMPARE(w.Doc().CurrentFileName(), std::string("next.bmp"));
        }
        Open(w, "first.bmp", Pattern(5, 3));
        w.Click("ButtonMono");
        w.Click("ButtonOK4");
        const TBitmap work = w.Doc().Source();
        const QString saveAs = *a.saveAs ? Path(QString::fromLatin1(a.saveAs)) : QString();
        QFile::remove(saveAs);
        TQuestionAnswer answer(a.choice, saveAs);
        way(w);
        QVERIFY2(answer.asked, name);
        QCOMPARE(answer.text, QStringLiteral("保存されていない変更があります。別のファイルを開く前に保存しますか?"));
        QCOMPARE(w.Doc().CurrentFileName(), std::string(a.opens ? "next.bmp" : "first.bmp"));
        QCOMPARE(w.main->UndoItem()->isEnabled(), !a.opens);
        if (!a.opens) QVERIFY(w.Doc().Source() == work);
        if (a.opens && a.choice == TQuestionAnswer::Save) QVERIFY(ReadBack(saveAs) == work);
        QCOMPARE(w.errors.size(), qsizetype(QString::fromLatin1(a.saveAs).endsWith(".gif")));
      }
    }
  }

  void keysWithCtrlOrAltNeverClose() {
    TWindows w;
    Open(w, "mods.bmp", Pattern(5, 3));
    for (Qt::Key key : {Qt::Key_Z, Qt::Key_Escape}) {
      for (Qt::KeyboardModifiers mods : {Qt::KeyboardModifiers(Qt::ControlModifier),
                                         Qt::KeyboardModifiers(Qt::AltModifier),
                                         Qt::ControlModifier | Qt::AltModifier}) {
        TQuestionAnswer answer(TQuestionAnswer::Cancel);
        QTest::keyClick(&w.Image(), key, mods);
        QTest::keyClick(w.Button("ButtonMono"), key, mods);
        QCoreApplication::processEvents();
        QVERIFY(w.main->isVisible());
        QVERIFY(!answer.asked);
      }
    }
    // Shift is no such key: Shift+Z still closes.
    QTest::keyClick(&w.Image(), Qt::Key_Z, Qt::ShiftModifier);
    QVERIFY(!w.main->isVisible());
  }

  void otherExtensionsAreRefusedWithTheFormats() {
    TWindows w;
    const TBitmap picture = Pattern(6, 4);
    Open(w, "typed.bmp", picture);
    const TBitmap opened = w.Doc().Source();
    AnswerFileDialog(Path("x.gif"));
    w.main->PMenuSClick();
    QVERIFY(!QFile::exists(Path("x.gif")));
    QCOMPARE(w.errors, QStringList{QStringLiteral("保存できる形式は JPEG (.jpg, .jpeg)、PNG (.png)、TIFF (.tif, .tiff)、WebP (.webp) と BMP (.bmp) です。")});

    // Words under a picture's name: named in one message, nothing changes,
    // no question about the work first.
    w.errors.clear();
    {
      QFile words(Path("words.jpg"));
      QVERIFY(words.open(QIODevice::WriteOnly));
      words.write("no picture");
    }
    AnswerFileDialog(Path("words.jpg"));
    w.main->PMenuOClick();
    QCOMPARE(w.errors.size(), 1);
    QVERIFY(w.errors.first().contains(Path("words.jpg")));
    QVERIFY(w.Doc().Source() == opened);
    QCOMPARE(w.Doc().CurrentFileName(), std::string("typed.bmp"));

    // A picture under another kind's name opens as what it is.
    w.errors.clear();
    QVERIFY(QFile::copy(Path("typed.bmp"), Path("photo.gif")));
    AnswerFileDialog(Path("photo.gif"));
    w.main->PMenuOClick();
    QVERIFY(w.errors.isEmpty());
    QVERIFY(w.Doc().Source() == opened);
    QCOMPARE(w.Doc().CurrentFileName(), std::string("photo.gif"));
  }

  void errorMessagesNameTheFileOnce() {
    TWindows w;
    w.main->OpenImageFile(Path("missing-photo.bmp"));
    QCOMPARE(w.errors.size(), 1);
    QCOMPARE(w.errors.first().count(QStringLiteral("missing-photo.bmp")), 1);
    QVERIFY(w.errors.first().startsWith(QStringLiteral("ファイルを開けませんでした。\n")));

    Open(w, "fine.bmp", Pattern(3, 3));
    w.errors.clear();
    // A name under a file, as if it were a folder: the write fails, whoever
    // runs it.
    QTimer::singleShot(0, [this] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) qFatal("no file dialog open");
      dialog->setDirectory(dir_.path());
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("fine.bmp/out.bmp"));
      QMetaObject::invokeMethod(dialog, "accept");
    });
    w.main->PMenuSClick();
    QCOMPARE(w.errors.size(), 1);
    QCOMPARE(w.errors.first().count(QStringLiteral("out.bmp")), 1);
    QVERIFY(w.errors.first().startsWith(QStringLiteral("ファイルを保存できませんでした。\n")));

    // The text itself: the path goes in front only when the message lacks it.
    struct {
      const char* detail;
      const char* expected;
    } rows[] = {
        {"/p/a.bmp: not a BMP file", "見出し\n/p/a.bmp: not a BMP file"},
        {"not enough memory", "見出し\n/p/a.bmp: not enough memory"},
        {"", "見出し\n/p/a.bmp"},
    };
    for (const auto& r : rows)
      QCOMPARE(FileErrorText(QStringLiteral("見出し"), QStringLiteral("/p/a.bmp"), QString::fromUtf8(r.detail)),
               QString::fromUtf8(r.expected));
  }

  void doubleClickGivesARealNormalWindowAndTheTitleBarMaximisesIt() {
    TWindows w;
    Open(w, "normal.bmp", Pattern(300, 200));
    QMdiSubWindow* frame = w.Image().Frame();
    QVERIFY(frame->isMaximized());
    const QSize client = frame->mdiArea()->viewport()->size();
    QTest::mouseDClick(w.Image().Image1(), Qt::LeftButton);
    QVERIFY(!frame->isMaximized());
    QCOMPARE(frame->geometry(), NormalGeometry(client));
    QVERIFY(frame->width() >= client.width() / 2 && frame->height() >= client.height() / 2);
    // The picture lies in the window, its top-left corner shown.
    const QRect picture = w.Image().Image1()->geometry();
    QVERIFY(w.Image().rect().contains(picture.topLeft()));
    // The zoom commands still reach it.
    w.main->PMenu100Click();
    QCOMPARE(w.Image().Image1()->size(), QSize(300, 200));
    // A double click on the normal window's title bar maximises it again.
    QTest::mouseDClick(frame, Qt::LeftButton, Qt::NoModifier, QPoint(frame->width() / 2, 4));
    QVERIFY(frame->isMaximized());
    // Down again: a size the user gave the normal window is kept.
    w.Image().FormDblClick();
    frame->setGeometry(QRect(40, 30, client.width() / 2 + 20, client.height() / 2 + 10));
    w.Image().FormDblClick();
    w.Image().FormDblClick();
    QVERIFY(!frame->isMaximized());
    QCOMPARE(frame->geometry(), QRect(40, 30, client.width() / 2 + 20, client.height() / 2 + 10));
  }

  void normalGeometryTable() {
    struct {
      QSize client;
      QRect expected;
    } rows[] = {
        {QSize(900, 600), QRect(16, 16, 600, 400)},
        {QSize(301, 151), QRect(15, 15, 200, 120)},  // the height at its least
        {QSize(40, 30), QRect(2, 2, 160, 120)},      // a tiny frame: still a real window
        {QSize(0, 0), QRect(0, 0, 160, 120)},
    };
    for (const auto& r : rows) QCOMPARE(NormalGeometry(r.client), r.expected);
  }

  void leavingTheStarPageReleasesItsTool() {
    for (const char* tool : {"SpeedButtonCUT", "SpeedButtonPUT"}) {
      for (const char* leave : {"ButtonCAN1", "ButtonOK1"}) {
        TWindows w;
        Open(w, "tool.bmp", Pattern(40, 30));
        w.Click("ButtonX");
        w.Click("ButtonBPC");
        C<QToolButton>(w, tool)->click();
        QVERIFY(C<QToolButton>(w, tool)->isChecked());
        w.Click(leave);
        QCOMPARE(w.main->OpenPageNumber(), 0);
        QVERIFY(!C<QToolButton>(w, tool)->isChecked());
        // On the menu page the picture follows the mouse again.
        QWidget* image1 = w.Image().Image1();
        const QPoint before = image1->pos();
        QTest::mousePress(image1, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseMove(image1, QPoint(15, 12));
        QTest::mouseRelease(image1, Qt::LeftButton, Qt::NoModifier, QPoint(15, 12));
        QCOMPARE(image1->pos(), before + QPoint(10, 7));
        QVERIFY(w.Doc().BrightPoints().Empty());
        // The page opens again with no tool down.
        w.Click("ButtonX");
        QVERIFY(!C<QToolButton>(w, "SpeedButtonCUT")->isChecked());
        QVERIFY(!C<QToolButton>(w, "SpeedButtonPUT")->isChecked());
      }
    }
  }

  void fitZoomTable() {
    struct {
      int w, h, cw, ch, zoom;
    } rows[] = {
        {5640, 3172, 800, 600, 10},  {5640, 3172, 1600, 1000, 25}, {200, 100, 100, 50, 50},
        {200, 100, 99, 50, 45},      {10, 10, 800, 600, 250},      {100000, 10, 100, 100, 5},
        {10, 10, 1, 1, 10},  // 15 % of 10 is 1.5, rounded to even: 2
        {0, 5, 100, 100, 100},
    };
    for (const auto& r : rows) QCOMPARE(FitZoomPercent(r.w, r.h, r.cw, r.ch), r.zoom);
  }

  void fKeyFitsALargePhotoCentred() {
    TWindows w;
    w.main->resize(1280, 800);
    QCoreApplication::processEvents();
    w.Doc().OpenPicture(TBitmap(5640, 3172));
    w.Doc().ReturnToMenu();
    w.Image().CentreImage();
    for (int i = 0; i < 4; ++i) w.main->ZoomDown();  // zoomed out: 80 %, half outside
    QTest::keyClick(&w.Image(), Qt::Key_F);
    const int z = w.Doc().ZoomPercent();
    const QSize client = w.Image().size();
    QCOMPARE(z, FitZoomPercent(5640, 3172, client.width(), client.height()));
    QVERIFY(z >= 5 && z % 5 == 0);
    const QRect picture = w.Image().Image1()->geometry();
    QCOMPARE(picture.size(), QSize(ZoomedLength(5640, z), ZoomedLength(3172, z)));
    QVERIFY(w.Image().rect().contains(picture));
    // One step more would not fit.
    QVERIFY(ZoomedLength(5640, z + 5) > client.width() || ZoomedLength(3172, z + 5) > client.height());
    QCOMPARE(picture.left(), (client.width() - picture.width()) / 2);
    QCOMPARE(picture.top(), (client.height() - picture.height()) / 2);
    QCOMPARE(w.main->windowTitle(), QString::fromStdString(ZoomCaption(z)));
    // The pop-up item does the same from the main window, after a zoom in.
    w.main->ZoomUp();
    const QList<QAction*> items = w.main->PopupMenu1()->actions();
    QAction* fit = w.main->findChild<QAction*>(QStringLiteral("PMenuFit"));
    QVERIFY(fit && items.contains(fit));
    QCOMPARE(fit->text(), QStringLiteral("画面に合わせる(&F)"));
    fit->trigger();
    QCOMPARE(w.Doc().ZoomPercent(), z);
    QCOMPARE(w.Image().Image1()->geometry(), picture);
  }

  void toolkitDialogsSpeakJapanese() {
    QVERIFY(QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                          QStringLiteral("/qtbase_ja.qm")));
    QVERIFY(InstallTranslation(*qApp, TLanguage::Japanese));
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Ok | QMessageBox::Cancel);
    const QString cancel = box.button(QMessageBox::Cancel)->text();
    QVERIFY2(!cancel.contains(QStringLiteral("Cancel")), qPrintable(cancel));
    QFileDialog dialog(nullptr);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QVERIFY(buttons);
    for (QAbstractButton* b : buttons->buttons()) {
      QVERIFY2(!b->text().contains(QStringLiteral("Save")) && !b->text().contains(QStringLiteral("Cancel")),
               qPrintable(b->text()));
    }
  }
};

QTEST_MAIN(TestEditorTraps)
#include "test_editor_traps.moc"
