#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zones/TimeZone.h"

namespace nordavel {

// The camera's time zone as the window offers it: the computer's own zone first, then every zone
// and alias by name. The settings keep a zone's name, or nothing for the computer's zone, which
// then follows the computer to wherever it is set next.
class ZoneChoice {
public:
    // `windowsZoneName`: the computer's zone as Windows names it ("W. Europe Standard Time").
    // One that the built-in mapping does not know is taken as UTC.
    explicit ZoneChoice(std::string_view windowsZoneName);

    // The box's text for a kept name, the computer's zone named with its IANA name.
    std::string TextOf(std::string_view kept) const;
    // The name to keep for a text in the box: empty for the computer's zone, a zone's own name
    // for a zone or an alias in any letter case, nothing for a text that names no zone.
    std::optional<std::string> KeptOf(std::string_view text) const;
    // What the list offers for a typed text: the computer's zone for no text, else the names
    // that hold the text, as nordavel-cli suggests them.
    std::vector<std::string> Suggestions(std::string_view typed) const;
    // The zone to convert with for a kept name; the computer's for one no longer known.
    TimeZone ZoneOf(std::string_view kept) const;

private:
    TimeZone computerZone_;
    std::string computerText_;
};

} // namespace nordavel
