#include "UpdateCheckTool.h"

#include "ConsolePrompts.h"
#include "ExitStatus.h"
#include "app/EditorVersion.h"
#include "updates/VersionCheck.h"
#include "updates/WebClient.h"

#include <cstdio>

UpdateCheckTool::UpdateCheckTool(QString server, bool verbose)
    : m_server(std::move(server)), m_verbose(verbose)
{
}

int UpdateCheckTool::run()
{
    // Why a check failed goes to standard error as the editor's message box
    // would show it; the result line alone to standard output.
    ConsolePrompts prompts(m_verbose);
    WebClient client(m_server);
    VersionCheck check(client, prompts, prompts);
    const VersionCheck::Result result = check.run(GetEditorVersion());
    std::fprintf(stdout, "%s\n", result.menuText.toLocal8Bit().constData());
    const bool compared = result.outcome == VersionCheck::Outcome::Newer
        || result.outcome == VersionCheck::Outcome::NotNewer;
    return compared ? Success : PedalFailure;
}
