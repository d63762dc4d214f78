// From a file image to a parsed document: the 16-byte header, the MSZIP
// inflater for compressed files, then the tokenizer and parser.

#include "XFile/XFileDocument.h"
#include "XFile/XFileParser.h"
#include "XFile/XFileTokenizer.h"

#include <zlib.h>

#include <cstring>
#include <vector>

namespace gen
{
namespace xfile_detail
{
namespace
{

struct SHeader
{
    bool Binary;
    bool Compressed;
    bool Doubles;
};

// "xof ", version "0302" or "0303", format, float size "0032" or "0064".
XResult ReadHeader(const std::uint8_t* data, std::size_t size, SHeader& header)
{
    if (size < 4 || std::memcmp(data, "xof ", 4) != 0)
    {
        return kXErrBadFileType;
    }
    if (size < kHeaderSize)
    {
        return kXErrBadFile;
    }
    if (std::memcmp(data + 4, "03", 2) != 0 ||
        (std::memcmp(data + 6, "02", 2) != 0 && std::memcmp(data + 6, "03", 2) != 0))
    {
        return kXErrBadFileVersion;
    }
    const char* format = reinterpret_cast<const char*>(data + 8);
    if (std::memcmp(format, "txt ", 4) == 0) header = {false, false, false};
    else if (std::memcmp(format, "bin ", 4) == 0) header = {true, false, false};
    else if (std::memcmp(format, "tzip", 4) == 0) header = {false, true, false};
    else if (std::memcmp(format, "bzip", 4) == 0) header = {true, true, false};
    else return kXErrBadFileType;
    if (std::memcmp(data + 12, "0064", 4) == 0) header.Doubles = true;
    else if (std::memcmp(data + 12, "0032", 4) != 0) return kXErrBadFileFloatSize;
    return kXOK;
}

// MSZIP: a DWORD with the inflated file size, then blocks of WORD inflated
// size, WORD stored size, "CK" and a deflate stream that may refer back into
// the previous 32 KiB of output.
XResult Inflate(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out)
{
    if (size < 4) return kXErrParseError;
    const std::uint32_t declared = ReadU32(data);
    std::size_t pos = 4;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return kXErrOutOfMemory;
    XResult result = kXOK;
    while (pos < size)
    {
        if (size - pos < 4)
        {
            result = kXErrParseError;
            break;
        }
        const std::uint16_t inflated = ReadU16(data + pos);
        const std::uint16_t stored = ReadU16(data + pos + 2);
        pos += 4;
        if (stored < 2 || size - pos < stored || data[pos] != 'C' || data[pos + 1] != 'K' ||
            out.size() + inflated > kMaxInflatedSize)
        {
            result = kXErrParseError;
            break;
        }
        const std::size_t start = out.size();
        out.resize(start + inflated);
        inflateReset(&z);
        if (start > 0)
        {
            const std::size_t window = start < 32768 ? start : 32768;
            inflateSetDictionary(&z, out.data() + start - window, static_cast<uInt>(window));
        }
        z.next_in = const_cast<Bytef*>(data + pos + 2);
        z.avail_in = stored - 2u;
        z.next_out = out.data() + start;
        z.avail_out = inflated;
        const int rc = inflate(&z, Z_FINISH);
        if (rc != Z_STREAM_END || z.avail_out != 0)
        {
            result = kXErrParseError;
            break;
        }
        pos += stored;
    }
    inflateEnd(&z);
    if (result == kXOK && declared != out.size() + kHeaderSize && declared != out.size())
    {
        result = kXErrParseError;
    }
    return result;
}

} // namespace

XResult ParseImage(const std::uint8_t* data, std::size_t size, STemplateSet& templates, SDocument* document)
{
    SHeader header;
    const XResult rc = ReadHeader(data, size, header);
    if (rc != kXOK) return rc;
    std::vector<std::uint8_t> inflated;
    const std::uint8_t* body = data + kHeaderSize;
    std::size_t bodySize = size - kHeaderSize;
    if (header.Compressed)
    {
        const XResult zrc = Inflate(body, bodySize, inflated);
        if (zrc != kXOK) return zrc;
        body = inflated.data();
        bodySize = inflated.size();
    }
    CTokenizer tokens(body, bodySize, header.Binary, header.Doubles);
    CParser parser(tokens, templates, document);
    return parser.ParseBody() ? kXOK : kXErrParseError;
}

} // namespace xfile_detail
} // namespace gen
