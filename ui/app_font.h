// The editor's font: the Japanese proportional gothic the captions were laid
// out for, with fallbacks that exist on a fresh Debian machine.
#pragma once

#include <QFont>

namespace kira {

// "ＭＳ Ｐゴシック", else IPAPGothic, else Noto Sans CJK JP; 12 pixels high.
QFont EditorFont();

}  // namespace kira
