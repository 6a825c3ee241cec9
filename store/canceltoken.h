#pragma once

#include <atomic>

namespace tolvane {

/// Asks a running file operation to stop. The routines check it between the
/// container's objects, so an operation stops at the next object and, having
/// committed nothing, leaves every file as it was. A default token never
/// cancels: what tolvane-cli passes.
class CancelToken
{
public:
    CancelToken() = default;
    /// Cancels once @p flag is set; the flag must outlive the operation.
    explicit CancelToken(const std::atomic_bool &flag) : m_flag(&flag) {}

    bool cancelled() const { return m_flag && m_flag->load(std::memory_order_relaxed); }

private:
    const std::atomic_bool *m_flag = nullptr;
};

} // namespace tolvane
