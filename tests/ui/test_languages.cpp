// The editor's two languages: which one the environment chooses, no Japanese
// left in any text of the English editor (pages, menus, dialogs, messages),
// no English caption cut at 1366 x 768, and the Japanese editor as it was.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTabWidget>

#include "pages/page_list.h"
#include "tests/ui/ui_test_support.h"
#include "ui/app_font.h"
#include "ui/pages/effect_page.h"
#include "ui/pages/page_widgets.h"
#include "ui/translation.h"

using namespace kira;
using namespace kira::test;

namespace {

// Kana, CJK ideographs and punctuation, full- and half-width forms.
bool HasJapanese(const QString& text) {
  static const QRegularExpression japanese(
      QStringLiteral("[\\x{3000}-\\x{30ff}\\x{3400}-\\x{4dbf}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
  return text.contains(japanese);
}

// Every text root and the widgets under it can show, hidden ones included
// (a page not open yet, the file dialogs), each with the object it belongs to.
QStringList Texts(QWidget* root) {
  QStringList texts;
  auto add = [&texts](const QObject* o, const QString& text) {
    if (!text.isEmpty()) texts << o->objectName() + QStringLiteral(" [") + o->metaObject()->className() +
                                     QStringLiteral("]: ") + text;
  };
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    add(w, w->windowTitle());
    add(w, w->toolTip());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) add(b, b->text());
    if (auto* l = qobject_cast<QLabel*>(w)) add(l, l->text());
    if (auto* g = qobject_cast<QGroupBox*>(w)) add(g, g->title());
    if (auto* c = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < c->count(); ++i) add(c, c->itemText(i));
    if (auto* t = qobject_cast<QTabWidget*>(w))
      for (int i = 0; i < t->count(); ++i) add(t, t->tabText(i));
    for (const QAction* a : w->actions()) add(a, a->text());
  }
  return texts;
}

void NoJapanese(const QStringList& texts) {
  QStringList japanese;
  for (const QString& t : texts)
    if (HasJapanese(t)) japanese << t;
  QVERIFY2(japanese.isEmpty(), qPrintable(japanese.join(QStringLiteral("; "))));
}

// A text is cut when the widget is narrower than the text asks, or reaches
// past the right edge of the panel's scroll area.
void NothingCut(QWidget* page, const QWidget* viewport) {
  for (QWidget* w : page->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(page)) continue;
    QString text;
    int need = 0;
    const QFontMetrics metrics(w->font());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      text = b->text();
      // A push or tool button: the text and a frame; a check or radio
      // button: also its indicator, which its size hint counts.
      const bool plain = qobject_cast<QPushButton*>(w) || w->inherits("QToolButton");
      need = plain ? metrics.horizontalAdvance(QString(text).remove(QLatin1Char('&'))) + 6 : b->sizeHint().width();
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
      text = l->text();
      need = metrics.horizontalAdvance(text);
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
      text = g->title();
      need = g->minimumSizeHint().width();
    }
    if (!text.contains(QRegularExpression(QStringLiteral("[A-Za-z]")))) continue;
    const int right = w->mapTo(viewport, QPoint(w->width(), 0)).x();
    QVERIFY2(need <= w->width() && right <= viewport->width(),
             qPrintable(QStringLiteral("%1 '%2': needs %3, has %4, right edge %5 of %6")
                            .arg(w->objectName(), text).arg(need).arg(w->width()).arg(right)
                            .arg(viewport->width())));
  }
}

}  // namespace

class TestLanguages : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { toolkitFont_ = QApplication::font(); }
  void cleanup() {
    InstallTranslation(*qApp, TLanguage::Japanese);
    QApplication::setFont(toolkitFont_);
  }

  void theEnvironmentChoosesTheLanguage() {
    const auto ja = TLanguage::Japanese, en = TLanguage::English;
    const struct {
      const char *language, *all, *messages, *lang;
      TLanguage expected;
    } cases[] = {
        {"", "", "", "", ja},                        // nothing set: as always
        {"", "", "", "C.UTF-8", ja},
        {"", "", "", "POSIX", ja},
        {"", "", "", "ja_JP.UTF-8", ja},
        {"", "", "", "en_US.UTF-8", en},
        {"", "", "", "de_DE@euro", en},
        {"", "", "", "jp", en},                      // not a Japanese locale name
        {"en:ja", "", "", "ja_JP.UTF-8", en},        // LANGUAGE's first entry first
        {"ja:en", "", "", "en_GB.UTF-8", ja},
        {"", "ja_JP.eucJP", "en_US", "en_US", ja},  // then LC_ALL, LC_MESSAGES, LANG
        {"", "", "fr_FR", "ja_JP.UTF-8", en},
        {"", "C", "", "en_US", ja},
    };
    for (const auto& c : cases) {
      qputenv("LANGUAGE", c.language);
      qputenv("LC_ALL", c.all);
      qputenv("LC_MESSAGES", c.messages);
      qputenv("LANG", c.lang);
      QVERIFY2(LanguageOfEnvironment() == c.expected, c.lang);
    }
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) qunsetenv(name);
  }

  // Captions in both languages, byte for byte: the Japanese ones as they
  // always were.
  void captionsInBothLanguages() {
    const struct {
      const char *name, *ja, *en;
    } buttons[] = {
        {"ButtonX", "キラボックス", "Star filter"},
        {"ButtonSaturat", "彩度/明度", "Saturation"},
        {"ButtonExit", "終了", "Exit"},
        {"ButtonAPP", "プレビュー", "Preview"},
        {"ButtonOK1", "適用", "Apply"},
        {"ButtonCAN1", "キャンセル", "Cancel"},
        {"ButtonORG1", "オリジナル", "Original"},
        {"ButtonDST1", "加工後", "Result"},
        {"RadioButtonCROSS", "クロス", "Cross"},
        {"CheckBoxSoftX", "ソフトクロス", "Soft cross"},
        {"RadioButtonGaussianBlur", "ガウシアンブラー", "Gaussian blur"},
    };
    for (const TLanguage language : {TLanguage::Japanese, TLanguage::English}) {
      const bool ja = language == TLanguage::Japanese;
      QVERIFY(InstallTranslation(*qApp, language));
      TWindows w;
      for (const auto& b : buttons) {
        auto* button = w.main->Control<QAbstractButton>(QString::fromLatin1(b.name));
        QVERIFY2(button, b.name);
        QCOMPARE(button->text(), QString::fromUtf8(ja ? b.ja : b.en));
      }
      QCOMPARE(w.main->windowTitle(),
               ja ? QStringLiteral("キラボックス Ver. 0.32 (100%)") : QStringLiteral("KiraBox Ver. 0.32 (100%)"));
      QCOMPARE(w.main->findChild<QAction*>(QStringLiteral("PMenuO"))->text(),
               ja ? QStringLiteral("ﾌｧｲﾙ開く (&O)") : QStringLiteral("&Open..."));
      QCOMPARE(w.main->Page(1)->Caption(), ja ? QStringLiteral("キラボックス") : QStringLiteral("Star filter"));
      // The toolkit's own buttons follow.
      QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Cancel);
      QCOMPARE(HasJapanese(box.button(QMessageBox::Cancel)->text()), ja);
      QCOMPARE(OutOfMemoryText(), ja ? QStringLiteral("メモリが不足しています。処理を中止しました。")
                                     : QStringLiteral("Not enough memory. The operation was stopped."));
    }
  }

  // Every page opened on a picture, both windows with their menus and
  // dialogs, the unsaved-work question and an error: no Japanese anywhere.
  void englishEditorHasNoJapanese() {
    QVERIFY(InstallTranslation(*qApp, TLanguage::English));
    QTemporaryDir dir;
    const QString photo = WritePicture(dir.filePath(QStringLiteral("photo.bmp")), Pattern(64, 48));
    QFile notPicture(dir.filePath(QStringLiteral("notes.jpg")));
    QVERIFY(notPicture.open(QIODevice::WriteOnly) && notPicture.write("plain text") > 0);
    notPicture.close();
    TWindows w;
    w.main->OpenImageFile(photo);
    QTRY_VERIFY(!w.Doc().Source().Empty());
    QStringList texts;
    for (const TPageWidgetEntry& entry : PageWidgets()) {
      w.Click(QString::fromLatin1(entry.menuButton));
      const int number = w.main->OpenPageNumber();
      texts << Texts(w.main.get());
      w.Click(QStringLiteral("ButtonCAN%1").arg(number));
    }
    w.main->FormThumb().show();
    texts << Texts(&w.main->FormThumb()) << Texts(w.main->FormThumb().PMenu1()) << Texts(w.main->PopupMenu1());
    texts.removeDuplicates();
    NoJapanese(texts);

    // The dialogs that open modal on the way: the thumbnails' folder dialog
    // (cancelled) and, changed, then another file, the question about unsaved
    // work (not saved), then the error about a file that is no picture.
    QStringList dialogs;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* folder = qobject_cast<QFileDialog*>(modal)) {
        dialogs << Texts(folder);
        folder->reject();
      } else if (modal && modal->objectName() == QStringLiteral("CloseQuestion")) {
        dialogs << Texts(modal);
        modal->findChild<QPushButton*>(QStringLiteral("CloseQuestionDiscard"))->click();
      }
    });
    poll.start(5);
    w.main->findChild<QAction*>(QStringLiteral("PMenuT"))->trigger();
    w.Click(QStringLiteral("ButtonEffect2"));
    w.Click(QStringLiteral("ButtonOK11"));
    w.main->OpenImageFile(notPicture.fileName());
    w.main->OpenImageFile(photo);
    QTRY_VERIFY(dialogs.join(QLatin1Char('\n')).contains(QStringLiteral("Don't Save")));
    QVERIFY(dialogs.join(QLatin1Char('\n')).contains(QStringLiteral("Picture folder")));
    NoJapanese(dialogs);
    QVERIFY(!w.errors.isEmpty());
    NoJapanese(w.errors);
    NoJapanese({OutOfMemoryText(), UnknownErrorText(), SaveFormatsText(),
                ExceptionText(std::runtime_error("lost"))});
  }

  // At 1366 x 768, in the editor's font, every English caption of every
  // page fits its widget and the panel.
  void englishCaptionsAreWhole() {
    QVERIFY(InstallTranslation(*qApp, TLanguage::English));
    QApplication::setFont(EditorFont());
    TWindows w;
    w.main->resize(1366, 768);
    auto* area = w.main->findChild<QScrollArea*>(QStringLiteral("PageArea"));
    QVERIFY(area);
    QCoreApplication::processEvents();
    NothingCut(w.main->PageControl()->widget(0), area->viewport());  // the menu
    for (const TPageWidgetEntry& entry : PageWidgets()) {
      w.Click(QString::fromLatin1(entry.menuButton));
      const int number = w.main->OpenPageNumber();
      QCoreApplication::processEvents();
      NothingCut(w.main->Page(number), area->viewport());
      w.Click(QStringLiteral("ButtonCAN%1").arg(number));
    }
  }

 private:
  QFont toolkitFont_;
};

QTEST_MAIN(TestLanguages)
#include "test_languages.moc"
