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
    , m_method(std::move(method))
    , m_file(std::move(file))
    , m_line(line)
    , m_description(std::move(description))
{
}

std::string InternalInconsistency::report() const
{
    return "*** Internal inconsistency in " + m_method + ", " + m_file + ":"
        + std::to_string(m_line) + ": " + m_description;
}

void inkCheckFailed(const char *method, const char *file, unsigned line, const char *description)
{
    throw InternalInconsistency(method, file, line, description);
}
