#pragma once

#include <string_view>

namespace tavrin::link {

// The main window's message log: every line goes in at the top.
class MessageLog {
public:
    virtual ~MessageLog() = default;
    virtual void insertLine(std::string_view text) = 0;
    virtual void clear() = 0;
};

// What the link shows in the main window and switches there.
class MainDisplays {
public:
    virtual ~MainDisplays() = default;
    virtual void setTrackText(std::string_view text) = 0;     // TrackEdit
    virtual void setTimeText(std::string_view text) = 0;      // TimeEdit
    virtual void setDispModeText(std::string_view text) = 0;  // DispModeLabel
    // The 34 key buttons and the three menu headings, as one set.
    virtual void DisableKeyControls() = 0;
    virtual void EnableKeyControls() = 0;
};

}  // namespace tavrin::link
