#pragma once

#include "store/canceltoken.h"
#include "store/printtarget.h"
#include "store/status.h"

#include <functional>

namespace tolvane {

/// Runs the work of a document's file operation: the editor on a worker
/// thread while its window goes on answering, tolvane-cli at once. The work
/// touches only its own copy of the tables; the document applies its result
/// after run() has returned, on its own thread.
class OperationRunner
{
public:
    /// Prints on the PrintTarget given to it and stops between objects once
    /// the CancelToken is set.
    using Work = std::function<Status(PrintTarget &out, const CancelToken &cancel)>;

    virtual ~OperationRunner() = default;
    /// Runs @p work, printing on @p out, and returns its status once it has
    /// finished.
    virtual Status run(PrintTarget &out, const Work &work) = 0;
};

} // namespace tolvane
