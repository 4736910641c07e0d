#pragma once

// Which file a picture name opens, and at which size a picture is decoded.

#include <cstdint>

namespace zarn {

// A name with a root ("\faces\a.bmp") or a drive ("C:a.bmp") is not meant from the
// current directory alone; any other is relative. For narrow and wide names alike.
template <typename String>
bool isRelative(const String& name) {
  using Char = typename String::value_type;
  if (name.empty() || name[0] == Char('\\') || name[0] == Char('/')) return false;
  return name.size() < 2 || name[1] != Char(':');
}

// The file that a picture name opens. A clock started at logon or from a shortcut runs in
// some other directory, so a relative name that names nothing in the current directory is
// taken from the program's folder, where the faces lie beside it; the current directory
// comes first, so that stored relative names keep their meaning. `missing(name)` tells
// whether a name names nothing; `programFolder()` gives the folder of the program's own
// file with its trailing separator, empty when unknown, and is asked only when needed.
template <typename String, typename Missing, typename ProgramFolder>
String fileToOpen(const String& name, Missing&& missing, ProgramFolder&& programFolder) {
  if (!isRelative(name) || !missing(name)) return name;
  const String folder = programFolder();
  if (folder.empty() || missing(folder + name)) return name;
  return folder + name;
}

struct PictureSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Whether a frame is decoded at the reduced size its decoder offers (JPEG decoders offer
// 1/2, 1/4 and 1/8) rather than at its own: only when the offer still covers the size the
// picture is shown at both ways and is smaller than the frame in at least one, so that a
// large picture is not decoded whole and a small one loses nothing.
bool decodesReduced(PictureSize frame, PictureSize shown, PictureSize offered);

}  // namespace zarn
