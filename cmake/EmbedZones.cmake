# Compiles the IANA time zone data (tzdata.zi, as the system has it) with zic into TZif files
# that list every change of offset from 1970 to 2099 explicitly, and writes them into a C++ source
# as one byte array with a table of zones and one of aliases, both sorted by name.
# cmake -DZIC=... -DTZDATA=.../tzdata.zi -DWORK=dir -DOUT=ZoneData.cpp -P EmbedZones.cmake

# 1970-01-01 to 2100-01-01: outside it no time is converted, never one extrapolated.
execute_process(COMMAND ${ZIC} -b slim -r @0/@4102444800 -d ${WORK} ${TZDATA}
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "zic could not compile ${TZDATA}")
endif()

file(STRINGS ${TZDATA} lines REGEX "^(# version |Z |L )")
set(version "")
set(zones "")
set(aliases "")
foreach(line IN LISTS lines)
    if(line MATCHES "^# version (.+)$")
        set(version ${CMAKE_MATCH_1})
    elseif(line MATCHES "^Z ([^ ]+)")
        list(APPEND zones ${CMAKE_MATCH_1})
    elseif(line MATCHES "^L ([^ ]+) ([^ ]+)")
        list(APPEND aliases "${CMAKE_MATCH_2} ${CMAKE_MATCH_1}")
    endif()
endforeach()
list(SORT zones)
list(SORT aliases)

set(bytes "")
set(table "")
set(offset 0)
foreach(zone IN LISTS zones)
    file(READ ${WORK}/${zone} hex HEX)
    string(LENGTH "${hex}" length)
    math(EXPR size "${length} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
    string(APPEND bytes "${hex}\n")
    string(APPEND table "    {\"${zone}\", ${offset}, ${size}},\n")
    math(EXPR offset "${offset} + ${size}")
endforeach()
set(links "")
foreach(alias IN LISTS aliases)
    string(REPLACE " " "\", \"" pair "${alias}")
    string(APPEND links "    {\"${pair}\"},\n")
endforeach()

file(WRITE ${OUT}.new "// Made by cmake/EmbedZones.cmake from ${TZDATA}; not to be edited.
#include \"zones/ZoneData.h\"

namespace nordavel::zones {

const char kDataVersion[] = \"${version}\";
const unsigned char kData[] = {
${bytes}};
const ZoneEntry kZones[] = {
${table}};
const std::size_t kZoneCount = sizeof kZones / sizeof kZones[0];
const AliasEntry kAliases[] = {
${links}};
const std::size_t kAliasCount = sizeof kAliases / sizeof kAliases[0];

} // namespace nordavel::zones
")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
