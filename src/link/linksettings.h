#pragma once

// What the link reads from the options page, always at the moment of use.
class ILinkSettings {
public:
    virtual ~ILinkSettings() = default;
    virtual int Pooling() const = 0;    // poll interval, ms
    virtual int Timeout() const = 0;    // reply time-out, ms
    virtual bool UseSerial() const = 0; // rbtRS232 selected; TCP otherwise
};
