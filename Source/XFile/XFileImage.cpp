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

XResult Refuse(XResult rc, std::size_t at, const char* expected, std::string& reason)
{
    reason = "byte " + std::to_string(at) + ": expected " + expected;
    return rc;
}

// "xof ", version "0302" or "0303", format, float size "0032" or "0064".
XResult ReadHeader(const std::uint8_t* data, std::size_t size, SHeader& header, std::string& reason)
{
    if (size < 4 || std::memcmp(data, "xof ", 4) != 0)
    {
        return Refuse(kXErrBadFileType, 0, "\"xof \"", reason);
    }
    if (size < kHeaderSize)
    {
        return Refuse(kXErrBadFile, size, "a 16-byte header", reason);
    }
    if (std::memcmp(data + 4, "03", 2) != 0 ||
        (std::memcmp(data + 6, "02", 2) != 0 && std::memcmp(data + 6, "03", 2) != 0))
    {
        return Refuse(kXErrBadFileVersion, 4, "version 0302 or 0303", reason);
    }
    const char* format = reinterpret_cast<const char*>(data + 8);
    if (std::memcmp(format, "txt ", 4) == 0) header = {false, false, false};
    else if (std::memcmp(format, "bin ", 4) == 0) header = {true, false, false};
    else if (std::memcmp(format, "tzip", 4) == 0) header = {false, true, false};
    else if (std::memcmp(format, "bzip", 4) == 0) header = {true, true, false};
    else
        return Refuse(kXErrBadFileType, 8, "format \"txt \", \"bin \", \"tzip\" or \"bzip\"", reason);
    if (std::memcmp(data + 12, "0064", 4) == 0) header.Doubles = true;
    else if (std::memcmp(data + 12, "0032", 4) != 0)
        return Refuse(kXErrBadFileFloatSize, 12, "float size 0032 or 0064", reason);
    return kXOK;
}

// MSZIP: a DWORD with the inflated file size, then blocks of WORD inflated
// size, WORD stored size, "CK" and a deflate stream that may refer back into
// the previous 32 KiB of output.
// Places in `data` are told as file offsets (the body follows the header).
XResult Inflate(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out, std::string& reason)
{
    if (size < 4) return Refuse(kXErrParseError, kHeaderSize, "the inflated size (4 bytes)", reason);
    const std::uint32_t declared = ReadU32(data);
    std::size_t pos = 4;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return kXErrOutOfMemory;
    XResult result = kXOK;
    while (pos < size)
    {
        if (size - pos < 4)
        {
            result = Refuse(kXErrParseError, kHeaderSize + pos, "a block header (4 bytes)", reason);
            break;
        }
        const std::uint16_t inflated = ReadU16(data + pos);
        const std::uint16_t stored = ReadU16(data + pos + 2);
        pos += 4;
        if (stored < 2 || size - pos < stored || data[pos] != 'C' || data[pos + 1] != 'K')
        {
            result = Refuse(kXErrParseError, kHeaderSize + pos, "a whole block beginning \"CK\"", reason);
            break;
        }
        if (out.size() + inflated > kMaxInflatedSize)
        {
            result = Refuse(kXErrParseError, kHeaderSize + pos, "at most 256 MiB once inflated", reason);
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
            result = Refuse(kXErrParseError, kHeaderSize + pos, "a deflate stream giving the block's size", reason);
            break;
        }
        pos += stored;
    }
    inflateEnd(&z);
    if (result == kXOK && declared != out.size() + kHeaderSize && declared != out.size())
    {
        result = Refuse(kXErrParseError, kHeaderSize, "the inflated size the blocks give", reason);
    }
    return result;
}

} // namespace

XResult ParseImage(const std::uint8_t* data, std::size_t size, STemplateSet& templates, SDocument* document,
                   std::string& reason)
{
    SHeader header;
    const XResult rc = ReadHeader(data, size, header, reason);
    if (rc != kXOK) return rc;
    std::vector<std::uint8_t> inflated;
    const std::uint8_t* body = data + kHeaderSize;
    std::size_t bodySize = size - kHeaderSize;
    if (header.Compressed)
    {
        const XResult zrc = Inflate(body, bodySize, inflated, reason);
        if (zrc != kXOK) return zrc;
        body = inflated.data();
        bodySize = inflated.size();
    }
    const SPlaces places{!header.Binary, header.Compressed};
    if (document)
    {
        document->Places = places;
    }
    // Binary places are file offsets; an inflated body's are its own.
    CTokenizer tokens(body, bodySize, header.Binary, header.Doubles, places, header.Compressed ? 0 : kHeaderSize);
    CParser parser(tokens, templates, document);
    if (parser.ParseBody())
    {
        return kXOK;
    }
    reason = parser.GetReason();
    return kXErrParseError;
}

} // namespace xfile_detail
} // namespace gen
