#pragma once

// The system beep that refused commands sound. Each beep is counted, so that a refusal can be
// told apart from a silent no-op.
void systemBeep();
int systemBeepCount();
