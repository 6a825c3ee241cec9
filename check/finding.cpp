#include "finding.h"

#include <algorithm>

namespace tolvane {

namespace {

// The dashboard's own findings, then the objects', then the dial record's.
int group(const Finding &finding)
{
    if (finding.object >= 0)
        return 1;
    return finding.field ? 2 : 0;
}

} // namespace

Findings mergeFindings(Findings a, const Findings &b)
{
    a.insert(a.end(), b.begin(), b.end());
    std::stable_sort(a.begin(), a.end(), [](const Finding &x, const Finding &y) {
        return std::pair(group(x), x.object) < std::pair(group(y), y.object);
    });
    return a;
}

int countFindings(const Findings &findings, Finding::Severity severity)
{
    return int(std::count_if(findings.begin(), findings.end(),
                             [severity](const Finding &f) { return f.severity == severity; }));
}

} // namespace tolvane
