#pragma once

#include <QtGlobal>
#include <array>
#include <vector>

// One kernel input event as read from /dev/input/event*.
struct EvdevInput
{
    quint16 type = 0;
    quint16 code = 0;
    qint32 value = 0;
};

// A tool of a kernel tablet device coming near or going away.
struct ToolProximityChange
{
    quint8 pointerType = 0; // 1 pen, 2 cursor, 3 eraser
    bool entering = false;
    quint32 serial = 0; // MSC_SERIAL of the tool, 0 when the device sends none
    quint32 toolId = 0; // ABS_MISC: the vendor's tool type, 0 when the device sends none

    friend bool operator==(const ToolProximityChange &, const ToolProximityChange &) = default;
};

// Turns a tablet device's event stream into tool arrivals and departures. No I/O: the caller
// reads the device and feeds every event in order. Changes take effect at SYN_REPORT, when the
// kernel's frame is complete; within one frame departures come before arrivals, so a pen turned
// over reads as the tip leaving, then the eraser arriving.
class EvdevToolDecoder
{
public:
    // The changes completed by this event; empty except at SYN_REPORT. After SYN_DROPPED the rest
    // of the broken frame is ignored and the caller should resynchronise().
    std::vector<ToolProximityChange> feed(const EvdevInput &event);

    // The device's full state, as EV_KEY/EV_ABS events with their current values (tool codes
    // not listed are away). Used on opening, where a tool already near counts as arriving, and
    // after SYN_DROPPED.
    std::vector<ToolProximityChange> resynchronise(const std::vector<EvdevInput> &state);

    // The tool codes the decoder follows, for querying a device's state.
    static const std::vector<quint16> &toolCodes();

private:
    static constexpr int kToolCount = 7;
    struct State
    {
        std::array<bool, kToolCount> near {};
        quint32 serial = 0;
        quint32 toolId = 0;
    };

    void apply(State &state, const EvdevInput &event) const;
    std::vector<ToolProximityChange> commit(const State &next);

    State mCommitted;
    State mFrame;
    // Serial and tool id of each near tool as it arrived, for its departure.
    std::array<quint32, kToolCount> mArrivalSerial {};
    std::array<quint32, kToolCount> mArrivalToolId {};
    bool mDropping = false;
};
