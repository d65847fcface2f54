// Reading ahead: while a picture is shown, its neighbours in the list are read
// and decoded on a worker thread at below-normal priority (and reduced to the
// view's size), so that a step onto one shows it without decoding. A picture
// takes a decode only when its own bytes, read by its load, are the bytes that
// were decoded; anything else decodes at its first draw as before.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "pictures/jpeg.h"
#include "pictures/placement_core.h"

namespace pix {

class TFileListBox;
class TImageHost;

class TReadAhead {
 public:
  TReadAhead();
  ~TReadAhead();  // stops the worker, interrupting a decode
  TReadAhead(const TReadAhead&) = delete;
  TReadAhead& operator=(const TReadAhead&) = delete;

  // The view the neighbours are reduced for: its window (the size is taken
  // when a decode is done) and its placement settings.
  struct TTarget {
    HWND host = nullptr;
    PlacementSettings placement;
  };
  // `shown` is shown now; `neighbours` (full paths of JPEG files, nearest
  // first, at most two) are read ahead. Decodes of other files are dropped and
  // their work stops.
  void Schedule(const std::string& shown, const std::vector<std::string>& neighbours,
                const TTarget& target);
  // No new work while paused (the program is minimised); what is kept stays.
  void SetPaused(bool paused);
  // Frees every decode and stops the work (another folder).
  void Clear();
  // Ends the worker; a decode in progress stops between scan lines.
  void Stop();

  // For tests and benchmarks: files the worker has dealt with (decoded, found
  // broken, skipped or stopped), its decodes stopped between scan lines, decodes
  // handed over, the ones a picture took instead of decoding, pictures decoded
  // at their draw after all, and the decodes kept; whether a file is in work
  // (never while paused).
  int Tried() const;
  int Interrupted() const;
  int Finished() const { return finished_; }
  int Taken() const { return taken_; }
  int DecodedAtDraw() const { return decodedAtDraw_; }
  size_t Kept() const { return entries_.size(); }
  bool Working() const;
  std::string InWork() const;

 private:
  struct Entry;
  struct Shared;
  void Worker();
  std::shared_ptr<Entry> Work(const std::string& path);
  void Deliver(const std::shared_ptr<Entry>& entry);
  void SizeForView(Entry& entry);
  void Prune();
  std::shared_ptr<TBitmap> Match(const TJPEGData& data, const TJPEGDefaults& settings);
  void Collect();
  bool WaitForWorker(bool (*interrupted)());
  void InstallHooks();

  // User-interface thread only: finished decodes, the shown file and the wanted ones.
  std::vector<std::shared_ptr<Entry>> entries_;
  std::string shown_;
  std::vector<std::string> wanted_;
  TTarget target_;
  int finished_ = 0, taken_ = 0, decodedAtDraw_ = 0;
  bool hooked_ = false;
  friend TReadAhead& ReadAhead();
  std::unique_ptr<Shared> shared_;  // shared with the worker
};

// The process's read-ahead, made on first use and ended at exit.
TReadAhead& ReadAhead();

// Reads ahead around the list's selected file for the view: in the direction
// of the step from the entry the list showed before, wrapping round the list
// when `wrap`. Only JPEG files are read ahead; a new folder drops everything.
void ReadAheadAround(const TFileListBox& list, bool wrap, const TImageHost& view);

}  // namespace pix
