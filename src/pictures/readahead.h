// Reading ahead: while a picture is shown, its neighbours in the list are read
// and decoded on a worker thread at below-normal priority (and reduced to the
// view's size), so that a step onto one shows it without decoding. A picture
// takes a decode only when its own bytes, read by its load, are the bytes that
// were decoded; anything else decodes at its first draw as before.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pictures/jpeg.h"
#include "pictures/placement_core.h"

namespace pix {

class TFileBytes;

class TReadAhead {
 public:
  TReadAhead();
  ~TReadAhead();  // stops the worker, interrupting a read or a decode
  TReadAhead(const TReadAhead&) = delete;
  TReadAhead& operator=(const TReadAhead&) = delete;

  // The view the neighbours are reduced for: its window (the size is taken
  // when a decode is done) and its placement settings; and the peak memory of
  // the shown picture, which the budget leaves room for; whether that picture
  // still wants its pixels at its draw, decoded there or taken from here
  // (Schedule says when the worker leaves the step and that draw alone).
  struct TTarget {
    HWND host = nullptr;
    PlacementSettings placement;
    uint64_t shownPeak = 0;
    bool shownUndecoded = false;
  };
  // `shown` is shown now; `neighbours` (full paths of JPEG files, nearest
  // first, at most two) are read ahead. A file in work that is no longer
  // wanted stops; a finished decode stepped away from waits as the spare
  // until the worker needs its room, so a step straight back finds it.
  void Schedule(const std::string& shown, const std::vector<std::string>& neighbours,
                const TTarget& target);
  // A step is about to load `to`: kept decodes of none of it, its coming
  // `neighbours` and the picture shown now go, the spare too, so that the
  // load has their room. Schedule follows the load.
  void Stepping(const std::string& to, const std::vector<std::string>& neighbours);
  // A step passed over a picture without loading it, another key waiting:
  // the step that loads next is one of a held key's.
  void Passing() { steppedAt_ = GetTickCount(); }
  // No new work while paused (the program is minimised); the file in work
  // finishes, what is kept and what is still to do stay.
  void SetPaused(bool paused);
  // Frees every decode and stops the work (another folder).
  void Clear();
  // Ends the worker; a read stops between pieces, a decode between scan lines.
  void Stop();

  // For tests and benchmarks: files the worker has dealt with (decoded, found
  // broken, skipped or stopped), its reads and decodes stopped on the way,
  // decodes handed over, the ones a picture took instead of decoding, pictures
  // decoded at their draw after all, and the decodes kept; whether a file is
  // in work (never while paused); draws that waited for the file in work and
  // took its decode, and waits a key broke off; whether a draw waits now.
  int Tried() const;
  int Interrupted() const;
  int Finished() const;
  int Taken() const { return taken_; }
  int DecodedAtDraw() const { return decodedAtDraw_; }
  size_t Kept();
  bool Working() const;
  std::string InWork() const;
  int WaitedFor() const { return waitedFor_; }
  int WaitsBroken() const { return waitsBroken_; }
  bool DrawWaits() const { return drawWaits_; }
  // The size of the decode kept for `path` (0 x 0 for none).
  SIZE KeptSize(const std::string& path);
  // Decodes not yet freed: kept, the spare, handed over, let go by a step.
  size_t Held();

  // For tests: the worker reads files in pieces of `pieceBytes`, running
  // `afterPiece` after each (a slow disk), and runs `onHandOver` as it hands a
  // decode over (it may throw, as an allocation there can).
  struct TTestHooks {
    size_t pieceBytes = size_t{1} << 20;
    std::function<void()> afterPiece;
    std::function<void()> onHandOver;
  };
  void SetTestHooks(const TTestHooks& hooks);

 private:
  struct Entry;
  struct Shared;
  void Worker();
  bool NextFile(std::string& path);
  void GiveWay();
  void FreeDiscarded(std::unique_lock<std::mutex>& lock);
  std::shared_ptr<Entry> Work(const std::string& path);
  std::unique_ptr<TFileBytes> ReadFile(const std::string& path, const TTestHooks& hooks);
  bool Affordable(int width, int height, uint64_t fileBytes);
  void ReduceForView(Entry& entry);
  bool HandOver(const std::string& path, std::shared_ptr<Entry> entry, bool stopped);
  void Deliver(const std::shared_ptr<Entry>& entry);
  void Prune();
  bool Wanted(const std::string& path) const;
  std::shared_ptr<TBitmap> Match(const TJPEGData& data, const TJPEGDefaults& settings);
  void Collect();
  bool WaitForWorker(bool (*interrupted)());
  bool ReleaseAll();
  void InstallHooks();
  void ShownDrawn();
  static void CALLBACK DrawSettled(HWND, UINT, UINT_PTR id, DWORD);
  void Resume(int step);

  // User-interface thread only: finished decodes, the shown file and the wanted ones.
  std::vector<std::shared_ptr<Entry>> entries_;
  std::string shown_;
  std::vector<std::string> wanted_;
  TTarget target_;
  int taken_ = 0, decodedAtDraw_ = 0, waitedFor_ = 0, waitsBroken_ = 0;
  std::atomic<bool> drawWaits_{false};
  bool hooked_ = false;
  DWORD uiThread_ = 0;
  int steps_ = 0, drawnStep_ = 0;  // steps to another file; the one whose picture was drawn
  UINT_PTR idleTimer_ = 0;
  DWORD steppedAt_ = 0;  // tick count of the last step
  friend TReadAhead& ReadAhead();
  std::unique_ptr<Shared> shared_;  // shared with the worker
};

// The process's read-ahead, made on first use and ended at exit.
TReadAhead& ReadAhead();

}  // namespace pix
