#pragma once
// Windows icon file writer: every image as a 32-bit BGRA bitmap with its
// transparency mask, the form that resource compilers and image loaders all read.

#include "Image.h"

#include <string>
#include <vector>

namespace gen
{

// Images of at most 256 by 256 pixels, written in the order given.
bool WriteIco(const std::string& path, const std::vector<CImage>& images);

} // namespace gen
