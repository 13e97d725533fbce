// The two-step open of a large JPEG. The file is read once; a reduced decode
// of it is shown at once, and the full decode runs on a worker thread that
// hands its picture back through a queued call. The document changes only
// on the GUI thread, when the full picture arrives, and then exactly as a
// one-step open changes it; until then it holds the picture before.
#include <QApplication>
#include <QFile>
#include <atomic>
#include <exception>

#include "core/image_files.h"
#include "core/stop_request.h"
#include "ui/error_report.h"
#include "ui/form_image.h"
#include "ui/form_main.h"

namespace kira {

struct TFormMain::TOpening {
  QString path;
  std::string local;
  TFileBytes bytes;
  std::atomic<bool> stop{false};
  TLoadResult result;  // written by the worker, read after it has ended
};

namespace {

// As the JPEG reader's own limit: no picture of at most kMaxPixels is larger.
constexpr std::int64_t kMaxJpegFileBytes = kMaxPixels * 4 + (std::int64_t{64} << 20);

}  // namespace

bool TFormMain::StartFirstView(const QString& path) {
  const std::string local = QFile::encodeName(path).toStdString();
  if (firstViewMinPixels_ <= 0 || FileKindOf(local) != TFileKind::Jpeg) return false;
  auto opening = std::make_shared<TOpening>();
  opening->path = path;
  opening->local = local;
  std::string error;
  int width = 0;
  int height = 0;
  // A file that cannot be read, or a small picture, takes the one-step open
  // (which also reports the error).
  if (!ReadWholeFile(local, kMaxJpegFileBytes, opening->bytes, error) ||
      !JpegStoredSize(opening->bytes.data(), opening->bytes.size(), width, height) ||
      std::int64_t{width} * height < firstViewMinPixels_) {
    return false;
  }
  // 1/8 while that still fills the picture's place in the view, else 1/4.
  const int fit = FitZoomPercent(width, height, formImage_->width(), formImage_->height());
  const int scale = fit * 8 <= 100 ? 8 : 4;
  // The busy cursor stays up until the full picture is in.
  QApplication::setOverrideCursor(Qt::BusyCursor);
  viewBefore_ = formImage_->Image1()->geometry();
  // The full decode starts first, on the other core, so that the whole
  // picture comes as soon as a one-step open would bring it; the reduced
  // decode beside it needs only part of the work (libjpeg still reads all
  // the compressed data) and none of the whole picture's fresh memory.
  opening_ = opening;
  decoder_ = std::thread([this, opening] {
    // A stop leaves no picture and no message.
    {
      const TStopScope scope(&opening->stop);
      try {
        opening->result = DecodeJpeg(opening->bytes.data(), opening->bytes.size());
        if (!opening->result) opening->result.error = opening->local + ": " + opening->result.error;
      } catch (const TStopped&) {
        opening->result = TLoadResult();
      } catch (const std::exception& e) {
        opening->result = TLoadResult();
        opening->result.error = opening->local + ": " + e.what();
      }
    }
    QMetaObject::invokeMethod(
        this, [this, opening] { Run([&] { OpeningDone(opening); }); }, Qt::QueuedConnection);
  });
  int fullWidth = 0;
  int fullHeight = 0;
  TLoadResult reduced = DecodeJpegScaled(opening->bytes.data(), opening->bytes.size(), scale,
                                         TOrientation::Apply, &fullWidth, &fullHeight);
  if (!reduced) {
    CancelOpening();
    ReportError(this, FileErrorText(tr("ファイルを開けませんでした。"), path,
                                    QString::fromStdString(local + ": " + reduced.error)));
    return true;
  }
  firstView_ = std::move(*reduced.bitmap);
  formImage_->ShowFirstView(firstView_, fullWidth, fullHeight);
  return true;
}

void TFormMain::OpeningDone(const std::shared_ptr<TOpening>& opening) {
  if (!opening || opening != opening_) return;  // finished early, or cancelled
  decoder_.join();
  opening_.reset();
  opening->bytes = TFileBytes();
  QApplication::restoreOverrideCursor();
  const bool opened = opening->result.bitmap.has_value();
  if (opened) {
    document_.OpenLoaded(std::move(opening->result), opening->local);
    AfterOpen();
  } else {
    formImage_->RestoreView(viewBefore_);
  }
  firstView_.Clear();
  if (!opened && !opening->result.error.empty()) {
    ReportError(this, FileErrorText(tr("ファイルを開けませんでした。"), opening->path,
                                    QString::fromStdString(opening->result.error)));
  }
}

void TFormMain::FinishOpening() {
  if (!opening_) return;
  // The busy cursor is up already; no events run meanwhile.
  const std::shared_ptr<TOpening> opening = opening_;
  OpeningDone(opening);
}

void TFormMain::CancelOpening() {
  if (!opening_) return;
  opening_->stop = true;
  decoder_.join();
  opening_.reset();
  QApplication::restoreOverrideCursor();
  formImage_->RestoreView(viewBefore_);
  firstView_.Clear();
}

}  // namespace kira
