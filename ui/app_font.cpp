#include "ui/app_font.h"

#include <QStringList>

namespace kira {

QFont EditorFont() {
  QFont font;
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                    QStringLiteral("Noto Sans CJK JP")});
  font.setPixelSize(12);
  return font;
}

}  // namespace kira
