// The whole main window on a small screen, shared by the screen-size tests:
// maximised at start-up, every page displayed in turn; the frame stays on
// the screen, the histogram stays on screen under the pages, and the page
// area scrolls so that the page's last buttons can be reached.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

#include "pages/page_list.h"
#include "tests/ui/ui_test_support.h"
#include "ui/pages/effect_page.h"
#include "ui/start_up.h"

namespace kira::test {

inline void CheckEveryPageFitsTheScreen() {
  QTemporaryDir dir;
  const QString photo = WritePicture(dir.path() + QStringLiteral("/photo.bmp"), Pattern(300, 200));
  TFormMain main;
  ShowAtStartUp(main, photo);
  QVERIFY(QTest::qWaitForWindowActive(&main));
  QTRY_VERIFY(!main.Document().Source().Empty());
  const QRect screen = main.screen()->availableGeometry();
  QTRY_VERIFY2(screen.contains(main.frameGeometry()), "the main window runs off the screen");

  auto* area = main.Control<QScrollArea>(QStringLiteral("PageArea"));
  QVERIFY(area);
  QLabel* histogram = main.ImageHistogram();
  for (int n = 0; n <= static_cast<int>(AllPages().size()); ++n) {
    const QByteArray page = "page " + QByteArray::number(n);
    if (n == 0)
      main.ShowMenuPage();
    else
      main.OpenEffectPage(n);
    QTest::qWait(50);
    QVERIFY2(screen.contains(main.frameGeometry()), page);
    // The histogram: shown whole, inside the window and the screen, below the
    // page area, and on screen as it draws itself.
    QVERIFY2(histogram->isVisible(), page);
    const QRect drawn(histogram->mapToGlobal(QPoint(0, 0)), histogram->size());
    QVERIFY2(screen.contains(drawn) && main.geometry().contains(drawn), page);
    QVERIFY2(area->mapToGlobal(QPoint(0, area->height())).y() <= drawn.top(), page);
    const QImage onScreen =
        main.screen()->grabWindow(0, drawn.x(), drawn.y(), drawn.width(), drawn.height()).toImage();
    QVERIFY2(onScreen.convertToFormat(QImage::Format_RGB32) ==
                 histogram->grab().toImage().convertToFormat(QImage::Format_RGB32),
             page);
    // The page's last button can be scrolled into view.
    QAbstractButton* last = n == 0 ? main.Control<QAbstractButton>(QStringLiteral("ButtonExit"))
                                   : static_cast<QAbstractButton*>(main.Page(n)->CancelButton());
    QVERIFY2(last, page);
    area->ensureWidgetVisible(last);
    const QRect button(last->mapTo(area->viewport(), QPoint(0, 0)), last->size());
    QVERIFY2(area->viewport()->rect().contains(button), page);
    area->verticalScrollBar()->setValue(0);
  }
}

}  // namespace kira::test
