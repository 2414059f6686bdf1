#pragma once

namespace tavrin::platform {

struct TimeOfDay {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};

// Where the log's time stamps come from; tests set the time by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TimeOfDay now() const = 0;
};

// Local time of day from the operating system.
class SystemClock final : public Clock {
public:
    TimeOfDay now() const override;
};

}  // namespace tavrin::platform
