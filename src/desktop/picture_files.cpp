#include "desktop/picture_files.h"

namespace zarn {

bool decodesReduced(PictureSize frame, PictureSize shown, PictureSize offered) {
  if (offered.width < shown.width || offered.height < shown.height) return false;
  return offered.width < frame.width || offered.height < frame.height;
}

}  // namespace zarn
