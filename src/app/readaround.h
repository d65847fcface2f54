// Reading ahead around the file list's selection, for the main window and the
// full-screen view.
#pragma once

namespace pix {

class TFileListBox;
class TImageHost;

// Reads ahead around the list's selected file for the view: in the direction
// of the step from the entry the list showed before, wrapping round the list
// when `wrap`. Only JPEG files are read ahead; a new folder drops everything.
void ReadAheadAround(const TFileListBox& list, bool wrap, const TImageHost& view);

}  // namespace pix
