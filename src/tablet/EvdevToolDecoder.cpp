#include "EvdevToolDecoder.h"

#include <linux/input-event-codes.h>

namespace {
struct Tool
{
    quint16 code;
    quint8 pointerType;
};

// Index order is the order arrivals are reported in when several tools come at once.
constexpr Tool kTools[] = {
    {BTN_TOOL_PEN, 1},   {BTN_TOOL_BRUSH, 1}, {BTN_TOOL_PENCIL, 1}, {BTN_TOOL_AIRBRUSH, 1},
    {BTN_TOOL_MOUSE, 2}, {BTN_TOOL_LENS, 2},  {BTN_TOOL_RUBBER, 3},
};

int toolIndex(quint16 code)
{
    for (int i = 0; i < int(std::size(kTools)); ++i)
        if (kTools[i].code == code)
            return i;
    return -1;
}
} // namespace

const std::vector<quint16> &EvdevToolDecoder::toolCodes()
{
    static const std::vector<quint16> codes = [] {
        std::vector<quint16> c;
        for (const Tool &t : kTools)
            c.push_back(t.code);
        return c;
    }();
    return codes;
}

void EvdevToolDecoder::apply(State &state, const EvdevInput &event) const
{
    if (event.type == EV_KEY) {
        const int i = toolIndex(event.code);
        if (i >= 0)
            state.near[i] = event.value != 0; // 2 is an autorepeat of a held key
    } else if (event.type == EV_MSC && event.code == MSC_SERIAL) {
        state.serial = quint32(event.value);
    } else if (event.type == EV_ABS && event.code == ABS_MISC) {
        state.toolId = quint32(event.value);
    }
}

std::vector<ToolProximityChange> EvdevToolDecoder::feed(const EvdevInput &event)
{
    if (event.type == EV_SYN && event.code == SYN_DROPPED) {
        mFrame = mCommitted;
        mDropping = true;
        return {};
    }
    if (event.type == EV_SYN && event.code == SYN_REPORT) {
        if (mDropping) {
            // The kernel's rule: the frame after a drop is garbage up to here.
            mDropping = false;
            mFrame = mCommitted;
            return {};
        }
        return commit(mFrame);
    }
    if (!mDropping)
        apply(mFrame, event);
    return {};
}

std::vector<ToolProximityChange>
EvdevToolDecoder::resynchronise(const std::vector<EvdevInput> &state)
{
    State next = mCommitted;
    next.near.fill(false);
    for (const EvdevInput &e : state)
        apply(next, e);
    mDropping = false;
    return commit(next);
}

std::vector<ToolProximityChange> EvdevToolDecoder::commit(const State &next)
{
    std::vector<ToolProximityChange> changes;
    for (int i = 0; i < kToolCount; ++i)
        if (mCommitted.near[i] && !next.near[i])
            changes.push_back({kTools[i].pointerType, false, mArrivalSerial[i], mArrivalToolId[i]});
    for (int i = 0; i < kToolCount; ++i) {
        if (!mCommitted.near[i] && next.near[i]) {
            mArrivalSerial[i] = next.serial;
            mArrivalToolId[i] = next.toolId;
            changes.push_back({kTools[i].pointerType, true, next.serial, next.toolId});
        }
    }
    mCommitted = next;
    mFrame = next;
    return changes;
}
