#pragma once
// The compression the page's links use: lz-string's
// compressToEncodedURIComponent (LZW over UTF-16 code units, six bits a
// character from A-Z a-z 0-9 + - $), so a link made by the page's script
// opens here and one made here opens in the page. Texts are UTF-8 on our
// side, UTF-16 on the script's.

#include <cstddef>
#include <string>

namespace gen
{

// code (at most U+10FFFF) in UTF-8 at the end of out.
void AppendUtf8(std::string& out, char32_t code);

// text (UTF-8; a malformed byte becomes U+FFFD) compressed as the script's
// LZString.compressToEncodedURIComponent compresses the same characters.
std::string LzCompressUri(const std::string& text);

// The UTF-8 text of a compressToEncodedURIComponent string (a space stands
// for '+', as a form-decoded address gives it). False, with text untouched,
// for a character outside the alphabet, a stream that ends early or refers
// to codes not yet made, or a text longer than limit code units.
bool LzDecompressUri(const std::string& encoded, std::string& text, std::size_t limit = 16u << 20);

} // namespace gen
