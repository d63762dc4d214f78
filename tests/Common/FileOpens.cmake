cmake_minimum_required(VERSION 3.25)
# Every file the programs and tools open goes through gen::OpenFile
# (Common/Utf8System.h), which takes UTF-8 paths on every system. The C and
# C++ library's own opens, and filesystem paths made from narrow strings, read
# the path in the legacy code page on Windows; this finds any that come back.
file(GLOB_RECURSE files ${ROOT}/Source/*.cpp ${ROOT}/Source/*.h ${ROOT}/tools/*.cpp ${ROOT}/tools/*.h
     ${ROOT}/bench/*.cpp ${ROOT}/bench/*.h)
# The two files that make the system calls themselves.
set(allowed Source/Common/Utf8SystemPosix.cpp Source/Common/Utf8SystemWin32.cpp)
set(patterns "(^|[^_a-zA-Z0-9])fopen[ ]*\\(" "(^|[^_a-zA-Z0-9])_wfopen[ ]*\\(" "std::[io]?fstream" "(^|[^_a-zA-Z0-9])stat[ ]*\\("
             "std::filesystem::path[ ]*\\(" "[^_a-zA-Z0-9]fs::path[ ]*\\(" "[^_a-zA-Z0-9]open[ ]*\\([^)]*O_")
set(found "")
foreach(file ${files})
  file(RELATIVE_PATH name ${ROOT} ${file})
  if(name IN_LIST allowed)
    continue()
  endif()
  file(STRINGS ${file} lines)
  foreach(line IN LISTS lines)
    foreach(pattern ${patterns})
      if(line MATCHES "${pattern}")
        string(STRIP "${line}" line)
        string(APPEND found "\n  ${name}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "files opened or paths made without gen::OpenFile / std::filesystem::u8path:${found}")
endif()
