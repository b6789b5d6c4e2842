#pragma once

#include <stdexcept>
#include <string>

// Two kinds of internal-consistency check.
//
// INK_ASSERT: a broken invariant the program cannot go on from. Prints
// "file:line: failed assertion `expr'" to standard error, flushes it and aborts.
//
// INK_CHECK: a request that must not be carried out. Throws InternalInconsistency, which ends the
// operation where it stands; the application's event dispatch reports it and carries on.

[[noreturn]] void inkAssertFailed(const char *file, unsigned line, const char *expr);

#define INK_ASSERT(expr) ((expr) ? void(0) : inkAssertFailed(__FILE__, __LINE__, #expr))

class InternalInconsistency : public std::logic_error
{
public:
    InternalInconsistency(std::string method, std::string file, unsigned line,
                          std::string description);

    const std::string &method() const { return mMethod; }
    const std::string &file() const { return mFile; }
    unsigned line() const { return mLine; }
    const std::string &description() const { return mDescription; }
    // One line: method, file, line, description.
    std::string report() const;

private:
    std::string mMethod;
    std::string mFile;
    unsigned mLine;
    std::string mDescription;
};

[[noreturn]] void inkCheckFailed(const char *method, const char *file, unsigned line,
                                 const char *description);

#define INK_CHECK(cond, description)                                                               \
    ((cond)                                                                                        \
         ? void(0)                                                                                 \
         : inkCheckFailed(static_cast<const char *>(__func__), __FILE__, __LINE__, description))
