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

// The list's selected file is about to load (a step, before ReadAheadAround):
// decodes kept for none of it, its coming neighbours and the picture shown
// now go first, so that the load never finds more than those beside it.
void ReadAheadStepping(const TFileListBox& list, bool wrap);

// A step onto entry `index` passed over without loading it (a held key's
// steps outpacing the loads): the step after it goes on in its direction, and
// the load that ends the run is a held key's.
void ReadAheadPassing(const TFileListBox& list, int index);

}  // namespace pix
