#include "document/preview_runner.h"

#include <algorithm>

#include "document/document.h"

namespace kira {

TPreviewRunner::TPreviewRunner(TDocument& doc, std::function<void()> wake) : doc_(doc), wake_(std::move(wake)) {}

TPreviewRunner::~TPreviewRunner() { Stop(); }

void TPreviewRunner::Request(TPreviewTask task, bool live, TThen then) {
  TRequest request{std::move(task), live, std::move(then)};
  if (!running_) {
    Start(std::move(request));
    return;
  }
  waiting_ = std::move(request);
  run_->stop = true;
}

void TPreviewRunner::Start(TRequest request) {
  auto run = std::make_unique<TRun>();
  run->request = std::move(request);
  run->work.result = std::move(spare_);
  spare_.Clear();
  if (run->request.task.begin) run->request.task.begin(run->work);
  run->work.randomBefore = run->work.random;
  run->work.step = run->request.task.step;
  run->started = std::chrono::steady_clock::now();
  run_ = std::move(run);
  running_ = true;
  try {
    worker_ = std::thread(Work, std::ref(*run_), std::cref(doc_), std::cref(wake_));
  } catch (...) {
    running_ = false;
    run_.reset();
    throw;
  }
}

void TPreviewRunner::Work(TRun& run, const TDocument& doc, const std::function<void()>& wake) {
  {
    const TStopScope stopping(&run.stop);
    const TProgressScope reporting(&run.progress);
    try {
      run.work.done = run.request.task.run(doc, run.work);
      // An effect refuses before it changes anything: the result is then a
      // plain copy of the source, never an earlier preview.
      if (!run.work.done) run.work.result = doc.Source();
    } catch (const TStopped&) {
      run.stopped = true;
    } catch (...) {
      run.error = std::current_exception();
    }
  }
  run.ended = true;
  if (wake) wake();
}

void TPreviewRunner::Take() {
  if (worker_.joinable()) worker_.join();
  running_ = false;
  std::unique_ptr<TRun> run = std::move(run_);
  if (run->stopped || run->error) {
    // Nothing of the run reaches the document; its storage is kept.
    if (run->work.result.Width() > 0) spare_ = std::move(run->work.result);
    if (run->error && onError_) {
      doc_.DropResult();
      onError_(run->error);
    }
    return;
  }
  lastTotal_ = run->progress.total;
  if (run->request.task.end) run->request.task.end(run->work);
  doc_.TakePreview(run->work, run->request.live);
  spare_ = std::move(run->work.result);
  if (run->request.then) run->request.then(run->work.done);
}

void TPreviewRunner::Deliver() {
  if (!running_ || !run_->ended) return;
  Take();
  if (!running_ && waiting_.task.run) {
    TRequest next = std::move(waiting_);
    waiting_ = {};
    Start(std::move(next));
  }
}

void TPreviewRunner::Stop() {
  waiting_ = {};
  if (!running_) return;
  run_->stop = true;
  if (worker_.joinable()) worker_.join();
  running_ = false;
  // Whatever the run came to, none of it reaches the document; its storage
  // is kept for the next.
  std::unique_ptr<TRun> run = std::move(run_);
  if (run->work.result.Width() > 0) spare_ = std::move(run->work.result);
}

void TPreviewRunner::Finish() {
  while (running_) {
    if (worker_.joinable()) worker_.join();
    // Joined: the run has ended; Deliver takes it and starts the waiting one.
    Deliver();
  }
}

double TPreviewRunner::Progress() const {
  if (!running_) return -1;
  const long long done = run_->progress.done;
  const long long total = std::max<long long>(run_->progress.total, lastTotal_);
  if (total <= 0) return 0;
  return std::min(1.0, static_cast<double>(done) / static_cast<double>(total));
}

long long TPreviewRunner::RunningMilliseconds() const {
  if (!running_) return 0;
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - run_->started)
      .count();
}

}  // namespace kira
