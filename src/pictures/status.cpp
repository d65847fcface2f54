#include "pictures/status.h"

#include "pictures/status_core.h"
#include "ui/handles.h"
#include "ui/text.h"

namespace pix {

uint64_t GetFileSizeBytes(const std::string& path) {
  // No access rights are needed to ask a file's size, and sharing everything lets
  // a file that another program holds open still report it.
  TOwnedFile file(CreateFileW(PlatformPath(path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  // A file that can't be opened has no size to show.
  if (!file || !GetFileSizeEx(file, &size)) return 0;
  return static_cast<uint64_t>(size.QuadPart);
}

void ShowPictureStatus(TStatusBar& bar, const std::string& path, const TPicture& picture) {
  bar.SetPanelText(0, SizeText(GetFileSizeBytes(path)));
  bar.SetPanelText(1, DimensionsText(picture.Width(), picture.Height()));
  bar.SetPanelText(2, path);
}

}  // namespace pix
