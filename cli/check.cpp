#include "commands.h"
#include "streamprinter.h"

#include "check/filecheck.h"
#include "check/findingtext.h"

#include <cstdio>

namespace tolvane::cli {

int check(const QStringList &args, InPlace)
{
    const bool json = args.size() == 2;
    if (json && args[1] != QLatin1String("--json"))
        return fail(QStringLiteral("usage: tolvane-cli check DIR [--json]"), UsageError);
    const Findings findings = checkDashboard(args[0]);
    if (json) {
        const QByteArray text = findingsJson(findings);
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    } else {
        StreamPrinter out(stdout);
        for (const Finding &finding : findings)
            out.print(findingLine(finding), PrintTarget::CloseLine);
        out.print(findingsSummary(findings), PrintTarget::CloseLine);
    }
    return countFindings(findings, Finding::Severity::Error) > 0 ? Failed : Success;
}

} // namespace tolvane::cli
