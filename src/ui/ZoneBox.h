#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "desktop/ZoneChoice.h"

namespace nordavel::win32 {

// The time zone box: a combo box whose list offers, as the user types, the zones whose names hold
// the text, and which keeps the last zone its text named.
class ZoneBox {
public:
    ZoneBox(HWND combo, ZoneChoice choice);

    // The zone chosen: empty for the computer's own.
    const std::string& Kept() const noexcept { return kept_; }
    void SetKept(const std::string& kept);
    TimeZone Zone() const { return choice_.ZoneOf(kept_); }
    // The box's notifications (CBN_...).
    void OnCommand(int code);
    // The text in the box becomes the zone chosen; a text that names no zone gives way to the
    // last one that did.
    void Take();

private:
    void Fill(std::string_view typed);

    HWND combo_;
    ZoneChoice choice_;
    std::string kept_;
    bool filling_ = false; // the box's own changes while the list is filled are no user's choice
};

// The computer's time zone as Windows names it ("W. Europe Standard Time").
std::string ComputerZoneName();

} // namespace nordavel::win32
