// Reading ahead around a list's selected entry: which files are the
// neighbours, in the direction of the last step, and what the shown one costs.
#include "app/readaround.h"
#include "browse/filelist.h"
#include "pictures/imagehost.h"
#include "pictures/jpeg.h"
#include "pictures/readahead.h"
#include "pictures/readahead_core.h"

namespace pix {

namespace {

// The file name's extension names a JPEG in the picture format list, as the
// file's own load will look it up.
bool IsJPEGName(const std::string& path) {
  const TGraphicClass* kind = FindPictureKind(ExtensionOf(path));
  return kind && kind->InheritsFrom(TJPEGImageKind);
}

// The entry the list showed last, to tell the direction of a step.
struct ListMemory {
  std::string folder;
  int index = -1, previous = -1;  // the entry read ahead for last, and the one before it
};
ListMemory& Memory() {
  static ListMemory m;
  return m;
}

// The paths of the JPEG files among the neighbours of `index`, when the list
// showed `previous` before.
std::vector<std::string> NeighbourPaths(const TFileListBox& list, int index, int previous,
                                        bool wrap) {
  TNeighbours n = ReadAheadNeighbours(list.Count(), index, previous, wrap);
  std::vector<std::string> paths;
  for (int i : {n.first, n.second}) {
    if (i < 0) continue;
    std::string path = list.FilePath(i);
    if (IsJPEGName(path)) paths.push_back(path);
  }
  return paths;
}

}  // namespace

void ReadAheadStepping(const TFileListBox& list, bool wrap) {
  const ListMemory& m = Memory();
  int index = list.ItemIndex();
  if (list.FolderPath() != m.folder || index < 0 || m.index < 0) return;  // ReadAheadAround clears
  // A turn keeps what it leaves behind as the spare: the user looking back
  // and forth returns to it. A step on in the same direction, or a jump, lets
  // it go before the file loads.
  if (index == ReadAheadNeighbours(list.Count(), m.index, m.previous, wrap).second) return;
  ReadAhead().Stepping(list.SelectedFilePath(), NeighbourPaths(list, index, m.index, wrap));
}

void ReadAheadPassing(const TFileListBox& list, int index) {
  ListMemory& m = Memory();
  if (list.FolderPath() != m.folder || index < 0 || m.index < 0 || index == m.index) return;
  m.previous = m.index;
  m.index = index;
  ReadAhead().Passing();
}

void ReadAheadAround(const TFileListBox& list, bool wrap, const TImageHost& view) {
  ListMemory& m = Memory();
  int index = list.ItemIndex();
  if (list.FolderPath() != m.folder || index < 0) {
    ReadAhead().Clear();  // another folder: its pixels go
    m.folder = list.FolderPath();
    m.index = m.previous = -1;
  }
  if (index < 0) return;
  std::vector<std::string> paths = NeighbourPaths(list, index, m.index, wrap);
  if (index != m.index) m.previous = m.index;
  m.index = index;
  TReadAhead::TTarget target{view.Handle(), {view.Center(), view.Proportional(), view.Stretch()}};
  const TPicture& shown = view.Picture();
  uint64_t fileBytes = 0;
  if (const auto* j = dynamic_cast<const TJPEGImage*>(shown.Graphic())) {
    fileBytes = j->Data().size;
    target.shownUndecoded = !j->DecodedBitmap();
  }
  target.shownPeak = JPEGPictureCost(shown.Width(), shown.Height(), fileBytes).peak;
  ReadAhead().Schedule(list.SelectedFilePath(), paths, target);
}

}  // namespace pix
