#pragma once
// A stream buffer reading a file opened with OpenFile (Common/Utf8System.h),
// for readers written against std::istream: the standard file streams take
// their narrow paths in the legacy code page on Windows.

#include <cstdio>
#include <streambuf>

namespace gen
{

class CFileInput : public std::streambuf
{
public:
    explicit CFileInput(std::FILE* file) : File(file) {}

protected:
    int_type underflow() override
    {
        const std::size_t n = std::fread(Buffer, 1, sizeof Buffer, File);
        setg(Buffer, Buffer, Buffer + n);
        return n == 0 ? traits_type::eof() : traits_type::to_int_type(Buffer[0]);
    }

    pos_type seekoff(off_type offset, std::ios_base::seekdir way, std::ios_base::openmode) override
    {
        if (way == std::ios_base::cur)
        {
            offset -= egptr() - gptr(); // read ahead into the buffer, not yet taken
        }
        const int origin = way == std::ios_base::beg ? SEEK_SET : way == std::ios_base::cur ? SEEK_CUR : SEEK_END;
        setg(Buffer, Buffer, Buffer);
        if (std::fseek(File, static_cast<long>(offset), origin) != 0)
        {
            return pos_type(off_type(-1));
        }
        return pos_type(off_type(std::ftell(File)));
    }

    pos_type seekpos(pos_type position, std::ios_base::openmode which) override
    {
        return seekoff(off_type(position), std::ios_base::beg, which);
    }

private:
    std::FILE* File;
    char Buffer[4096];
};

} // namespace gen
