# Writes the CLDR mapping of Windows time zone names to IANA zones (windowsZones.xml, as the
# system has it) into a C++ source as one table sorted by Windows name. Each Windows zone takes
# its zone for territory "001", the one CLDR names for it whatever the country.
# cmake -DXML=.../windowsZones.xml -DOUT=WindowsZones.cpp -P EmbedWindowsZones.cmake

file(STRINGS ${XML} lines REGEX "<mapZone ")
set(names "")
foreach(line IN LISTS lines)
    if(NOT line MATCHES "territory=\"001\"" OR NOT line MATCHES "other=\"([^\"]+)\"")
        continue()
    endif()
    set(name ${CMAKE_MATCH_1})
    # Of several zones in `type` the first is the golden one.
    if(DEFINED "zone_${name}" OR NOT line MATCHES "type=\"([^\" ]+)")
        message(FATAL_ERROR "${XML}: not one zone for \"${name}\"")
    endif()
    set("zone_${name}" ${CMAKE_MATCH_1})
    list(APPEND names ${name})
endforeach()
if(NOT names)
    message(FATAL_ERROR "${XML} maps no Windows time zone")
endif()
# By byte, as std::string_view compares them.
list(SORT names COMPARE STRING)

set(table "")
foreach(name IN LISTS names)
    string(APPEND table "    {\"${name}\", \"${zone_${name}}\"},\n")
endforeach()

file(WRITE ${OUT}.new "// Made by cmake/EmbedWindowsZones.cmake from ${XML}; not to be edited.
#include \"zones/WindowsZones.h\"

namespace nordavel::zones {

const WindowsZoneEntry kWindowsZones[] = {
${table}};
const std::size_t kWindowsZoneCount = sizeof kWindowsZones / sizeof kWindowsZones[0];

} // namespace nordavel::zones
")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
