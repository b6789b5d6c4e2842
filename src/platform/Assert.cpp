#include "Assert.h"

#include <cstdio>
#include <cstdlib>

// Straight to stderr: the process is about to abort and a message handler may not run.
void inkAssertFailed(const char *file, unsigned line, const char *expr)
{
    std::fprintf(stderr, "%s:%u: failed assertion `%s'\n", file, line, expr);
    std::fflush(stderr);
    std::abort();
}

InternalInconsistency::InternalInconsistency(std::string method, std::string file, unsigned line,
                                             std::string description)
    : std::logic_error(description)
    , mMethod(std::move(method))
    , mFile(std::move(file))
    , mLine(line)
    , mDescription(std::move(description))
{
}

std::string InternalInconsistency::report() const
{
    return "*** Internal inconsistency in " + mMethod + ", " + mFile + ":"
        + std::to_string(mLine) + ": " + mDescription;
}

void inkCheckFailed(const char *method, const char *file, unsigned line, const char *description)
{
    throw InternalInconsistency(method, file, line, description);
}
