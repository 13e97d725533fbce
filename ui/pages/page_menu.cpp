#include "ui/pages/page_menu.h"

#include <QPushButton>

#include "pages/page_list.h"
#include "ui/form_main.h"
#include "ui/pages/effect_page.h"
#include "ui/pages/page_widgets.h"
#include "ui/translation.h"

namespace kira {

namespace {
QPushButton* MenuButton(QWidget* parent, const char* name, const QString& caption, int y) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  button->setGeometry(16, y, 137, 25);
  return button;
}
}  // namespace

TPageMenu::TPageMenu(TFormMain& main) {
  setObjectName(QStringLiteral("TabSheet0"));
  int top = 24;
  for (const TPageWidgetEntry& entry : PageWidgets()) {
    const TPageEntry* page = PageOfSteps(entry.page);
    QPushButton* button = MenuButton(this, entry.menuButton, Tr(kTrPages, page->caption), top);
    top += 40;
    const int number = page->number;
    connect(button, &QPushButton::clicked, this, [&main, number] {
      main.Run([&main, number] { main.Page(number)->OpenPage(); });
    });
  }
  // The exit button stands apart below the page buttons.
  QPushButton* exit = MenuButton(this, "ButtonExit", tr("終了"), 560);
  connect(exit, &QPushButton::clicked, this, [&main] { main.Run([&main] { main.ButtonExitClick(); }); });
}

QSize TPageMenu::minimumSizeHint() const {
  QRect buttons;
  for (const QPushButton* button : findChildren<QPushButton*>()) buttons |= button->geometry();
  return {buttons.right() + 1 + buttons.left(), buttons.bottom() + 1 + 16};
}

}  // namespace kira
