#pragma once

// Whether Qt may merge queued pointer and tablet motion: the process-wide switch. Off while a
// stroke is tracked, so that every pen sample arrives. Qt's xcb plugin sets its own value when
// the application is constructed, so this is only meaningful afterwards.
void setMouseCoalescingEnabled(bool enabled);
bool isMouseCoalescingEnabled();
