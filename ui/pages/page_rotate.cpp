#include "ui/pages/page_rotate.h"

#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/document.h"
#include "pages/rotate_page.h"
#include "ui/form_main.h"

namespace kira {

namespace {

enum class TGlyph { TurnLeft, TurnRight, Flip };

// Arrow head at tip, pointing along the direction (dx, dy).
void DrawHead(QPainter& p, QPointF tip, QPointF dir) {
  const QPointF side(-dir.y(), dir.x());
  QPolygonF head;
  head << tip << tip - dir * 5 + side * 4 << tip - dir * 5 - side * 4;
  p.drawPolygon(head);
}

QIcon GlyphIcon(TGlyph glyph) {
  QPixmap pixmap(20, 20);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(0, 64, 160);
  p.setPen(QPen(ink, 2));
  p.setBrush(Qt::NoBrush);
  switch (glyph) {
    case TGlyph::TurnLeft:
      // Three quarters of a circle from the top, counter-clockwise; the
      // arc ends at the right, heading up.
      p.drawArc(QRectF(3, 3, 14, 14), 90 * 16, 270 * 16);
      p.setBrush(ink);
      p.setPen(QPen(ink, 1));
      DrawHead(p, QPointF(17, 6), QPointF(0, -1));
      break;
    case TGlyph::TurnRight:
      // The mirror image: clockwise, ending at the left, heading up.
      p.drawArc(QRectF(3, 3, 14, 14), 90 * 16, -270 * 16);
      p.setBrush(ink);
      p.setPen(QPen(ink, 1));
      DrawHead(p, QPointF(3, 6), QPointF(0, -1));
      break;
    case TGlyph::Flip:
      p.setPen(QPen(ink, 1, Qt::DashLine));
      p.drawLine(QPointF(10, 1), QPointF(10, 19));
      p.setPen(QPen(ink, 2));
      p.drawLine(QPointF(4, 10), QPointF(16, 10));
      p.setBrush(ink);
      p.setPen(QPen(ink, 1));
      DrawHead(p, QPointF(1, 10), QPointF(-1, 0));
      DrawHead(p, QPointF(19, 10), QPointF(1, 0));
      break;
  }
  p.end();
  QIcon icon(pixmap);
  return icon;
}

QPushButton* MakeBitBtn(QWidget* parent, const QString& name, const QString& caption,
                        TGlyph glyph) {
  auto* button = new QPushButton(GlyphIcon(glyph), caption, parent);
  button->setObjectName(name);
  button->setFixedSize(137, 33);
  button->setIconSize(QSize(20, 20));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TPageRotate::TPageRotate(TFormMain& main, const TPageEntry& page) : TEffectPage(main, page, QString()) {
  bitBtnLeft_ = MakeBitBtn(this, QStringLiteral("BitBtnLeft"), tr("90ﾟ"), TGlyph::TurnLeft);
  // The left turn carries its glyph right of the caption, the right turn left
  // of it, so that each arrow sits on the side it turns to.
  bitBtnLeft_->setLayoutDirection(Qt::RightToLeft);
  bitBtnLeft_->setToolTip(tr("左へ90ﾟ回転"));
  bitBtnRight_ = MakeBitBtn(this, QStringLiteral("BitBtnRight"), tr("90ﾟ"), TGlyph::TurnRight);
  bitBtnRight_->setToolTip(tr("右へ90ﾟ回転"));
  bitBtnFlip_ = MakeBitBtn(this, QStringLiteral("BitBtnFlip"), tr("フリップ"), TGlyph::Flip);
  bitBtnFlip_->setToolTip(tr("左右反転"));

  Body()->addSpacing(8);
  Body()->addWidget(bitBtnLeft_, 0, Qt::AlignHCenter);
  Body()->addWidget(bitBtnRight_, 0, Qt::AlignHCenter);
  Body()->addWidget(bitBtnFlip_, 0, Qt::AlignHCenter);
  Body()->addSpacing(8);

  connect(bitBtnLeft_, &QPushButton::clicked, this, [this] { Main().Run([this] { BitBtnLeftClick(); }); });
  connect(bitBtnRight_, &QPushButton::clicked, this, [this] { Main().Run([this] { BitBtnRightClick(); }); });
  connect(bitBtnFlip_, &QPushButton::clicked, this, [this] { Main().Run([this] { BitBtnFlipClick(); }); });
}

void TPageRotate::BitBtnLeftClick() { TurnResult(Doc(), TTurn::Left); }
void TPageRotate::BitBtnRightClick() { TurnResult(Doc(), TTurn::Right); }
void TPageRotate::BitBtnFlipClick() { TurnResult(Doc(), TTurn::Flip); }

void TPageRotate::ButtonOK12Click() { Doc().ApplyAccumulated(); }

}  // namespace kira
