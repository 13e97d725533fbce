#include "ui/histogram_view.h"

#include <QPainter>
#include <QPen>
#include <QPolygon>

#include "effects/histogram.h"

namespace kira {

QImage RenderHistogram(const TBitmap& image, bool rgb, int width, int height) {
  QImage picture(width > 0 ? width : 1, height > 0 ? height : 1, QImage::Format_RGB32);
  picture.fill(Qt::white);
  if (width < 1 || height < 1) return picture;

  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (const THistogramCurve& curve : HistogramCurves(image, rgb, width, height)) {
    QPolygon line;
    line.reserve(static_cast<int>(curve.points.size()));
    for (const THistogramPoint& p : curve.points) line << QPoint(p.x, p.y);
    // A thin line leaves out the end point of each segment, which is where
    // the next one starts; the thick luminance pen has rounded ends.
    const bool thin = curve.penWidth <= 1;
    QPen pen(QColor(curve.red, curve.green, curve.blue), curve.penWidth, Qt::SolidLine,
             thin ? Qt::FlatCap : Qt::RoundCap, thin ? Qt::MiterJoin : Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawPolyline(line);
  }
  painter.end();
  return picture;
}

}  // namespace kira
