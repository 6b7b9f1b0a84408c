// The trace channel and the checked-call convention.
//
// Trace lines go to the debugger's output through the runtime's debug report; tracing never fails
// and never changes behaviour. A checked host call that returns an error writes
// "ASErr:<code>" and "<source>,<line>" and raises a debug assertion report, then processing
// goes on with the next statement.
#pragma once

#include "host/types.h"

// printf-style; the formatted text is cut at 2047 bytes.
void KznTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Reports ERR as a failed checked call at LINE of SOURCE (a source file name such as "plugin").
void KznReportFailedCall(ASErr err, const char* source, int line);

// Returns ERR unchanged; a non-zero ERR is reported at the line of the caller (the compiler's
// built-in gives the line where the default argument is used, as every compiler of this code
// has it).
inline ASErr KznChecked(ASErr err, const char* source, int line = __builtin_LINE()) {
    if (err != kNoErr) {
        KznReportFailedCall(err, source, line);
    }
    return err;
}
