// Previews computed off the window's thread, so that the window answers while
// an effect runs. One Preview runs at a time, on a worker thread of its own;
// at most one more waits, and a newer request replaces the waiting one and
// stops the running one (settings the user has already moved past are never
// finished). The worker only reads the document's pictures and writes its
// own; a finished result is swapped into the document on the window's thread
// (Deliver), so the document's pictures change only there. Whatever changes
// the document's pictures stops the running Preview first (TDocument does).
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/bitmap.h"
#include "core/stop_request.h"

namespace kira {

class TDocument;

// What a Preview computes: the result, and for the star filter the bright
// points it extracted on the way.
struct TPreviewWork {
  TBitmap result;
  TBitmap brightPoints;
  bool newBrightPoints = false;
  bool done = false;               // the effect succeeded
  std::uint32_t random = 0;        // the page's generator, from the start to the end
  std::uint32_t randomBefore = 0;  // its state at the start
  std::string step;                // the task's step line
};

// A Preview's work in three parts. `run` reads the document (its pictures
// stay as they are while it runs) and writes into `work`; true when the
// effect succeeded. It runs with the stop flag and progress of its thread
// (core/stop_request.h) and throws TStopped when stopped. `begin` runs on the
// window's thread as the run starts, `end` there after a run that was not
// stopped, before the result is shown (the page's generator state goes in and
// out this way).
struct TPreviewTask {
  std::function<void(TPreviewWork& work)> begin;
  std::function<bool(const TDocument& doc, TPreviewWork& work)> run;
  std::function<void(TPreviewWork& work)> end;
  // The batch step the result stands for, kept as its record (recipes).
  std::string step;
};

class TPreviewRunner {
 public:
  // `wake` is called on the worker thread when a run has ended; it must make
  // the window's thread call Deliver() soon.
  TPreviewRunner(TDocument& doc, std::function<void()> wake);
  ~TPreviewRunner();
  TPreviewRunner(const TPreviewRunner&) = delete;
  TPreviewRunner& operator=(const TPreviewRunner&) = delete;

  // What happens on the window's thread after a run: its success, or the
  // error it ended with (not a stop).
  using TThen = std::function<void(bool done)>;
  using TOnError = std::function<void(std::exception_ptr)>;
  void SetErrorHandler(TOnError onError) { onError_ = std::move(onError); }

  // Runs task now when idle; otherwise it waits, replacing any waiting one,
  // and the running one is told to stop. `live`: a preview made because a
  // control moved (the result does not count as unsaved work).
  void Request(TPreviewTask task, bool live, TThen then = {});
  // Stops the running Preview and drops the waiting one; returns once the
  // worker has ended. The document is as it was.
  void Stop();
  // Waits for the running Preview and runs the waiting one here, delivering
  // both: afterwards the document holds the result of the newest request.
  void Finish();
  // Takes a finished run into the document and starts the waiting one. Called
  // on the window's thread after wake(); a call with nothing finished does
  // nothing.
  void Deliver();

  // A Preview runs or waits.
  bool Busy() const { return running_ || static_cast<bool>(waiting_.task.run); }
  // The running Preview's fraction done, 0..1, guessed from the rows
  // announced and from the last run's total; -1 when none runs.
  double Progress() const;
  // Milliseconds the running Preview has run; 0 when none runs.
  long long RunningMilliseconds() const;

 private:
  struct TRequest {
    TPreviewTask task;
    bool live = false;
    TThen then;
  };
  struct TRun {
    TRequest request;
    TPreviewWork work;
    std::atomic<bool> stop{false};
    std::atomic<bool> ended{false};
    TWorkProgress progress;
    std::exception_ptr error;
    bool stopped = false;
    std::chrono::steady_clock::time_point started;
  };

  void Start(TRequest request);
  // Joins the ended worker and takes its run into the document.
  void Take();
  static void Work(TRun& run, const TDocument& doc, const std::function<void()>& wake);

  TDocument& doc_;
  std::function<void()> wake_;
  TOnError onError_;
  std::unique_ptr<TRun> run_;
  std::thread worker_;
  bool running_ = false;
  TRequest waiting_;
  long long lastTotal_ = 0;  // rows the last finished run announced
  TBitmap spare_;            // the storage of the result before, reused
};

}  // namespace kira
