#include "ui/pages/page_menu.h"

#include <QPushButton>

#include "ui/form_main.h"
#include "ui/pages/effect_page.h"

namespace kira {

const TPageMenu::TEntry TPageMenu::kEntries[14] = {
    {"ButtonReSize", "リサイズ", 5},       {"ButtonRotate", "回転", 12},
    {"ButtonX", "キラボックス", 1},        {"ButtonC", "カラーフィルター", 2},
    {"ButtonSharpen", "シャープネス", 7},  {"ButtonSoftness", "ソフトネス", 3},
    {"ButtonMono", "モノクローム", 4},     {"ButtonBright", "明るさ調整", 6},
    {"ButtonSaturat", "彩度/明度", 8},     {"ButtonEffect1", "周辺効果", 9},
    {"ButtonMirage", "ミラージュ", 10},    {"ButtonEffect2", "アート効果１", 11},
    {"ButtonEffect3", "アート効果２", 13}, {"ButtonExit", "終了", 0},
};

TPageMenu::TPageMenu(TFormMain& main) {
  setObjectName(QStringLiteral("TabSheet0"));
  int top = 24;
  for (const TEntry& entry : kEntries) {
    auto* button = new QPushButton(QString::fromUtf8(entry.caption), this);
    button->setObjectName(QString::fromLatin1(entry.name));
    button->setAutoDefault(false);
    // The exit button stands apart below the thirteen page buttons.
    const int y = entry.page == 0 ? 560 : top;
    button->setGeometry(16, y, 137, 25);
    top += 40;
    const int page = entry.page;
    if (page == 0) {
      connect(button, &QPushButton::clicked, this,
              [&main] { main.Run([&main] { main.ButtonExitClick(); }); });
    } else {
      connect(button, &QPushButton::clicked, this, [&main, page] {
        main.Run([&main, page] { main.Page(page)->OpenFromMenu(); });
      });
    }
  }
}

}  // namespace kira
