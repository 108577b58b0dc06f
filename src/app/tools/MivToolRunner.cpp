#include "app/tools/MivToolRunner.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivExec.h"
#include "FileData/MivTaskLaunchException.h"
#include "app/tools/MivToolParamExpander.h"
#include "platform/Log.h"
#include "platform/Process.h"

#include <QCoreApplication>

QStringList MivToolRunner::expandedParams(const MivToolDef& def, const std::optional<MivToolPanelSelection>& source,
                                          const std::optional<MivToolPanelSelection>& target)
{
    QStringList params;
    const bool shellQuote = def.runAsOption == kShellMode;
    for (const MivToolParamDef& param : def.params.value_or(QList<MivToolParamDef>()))
        params << MivToolParamExpander::expand(param.paramValue, source, target, shellQuote);
    return params;
}

std::shared_ptr<plat::Process> MivToolRunner::executeDefAction(const MivToolDef& def,
                                                               const std::optional<MivToolPanelSelection>& source,
                                                               const std::optional<MivToolPanelSelection>& target)
{
    if (def.path.isEmpty())
        return nullptr;
    try {
        const QStringList params = expandedParams(def, source, target);
        return MivExec::executeTaskWithLaunchPath(def.path, &params, def.runAsOption);
    } catch (const MivTaskLaunchException&) {
        MivErrorPresenter::presentErrorWithCode(
            kCannotExecuteCode,
            QCoreApplication::translate("MivAppDelegate", "Cannot execute tool: \"%1\"").arg(def.name));
    } catch (const std::exception& exception) {
        MIV_LOG_ERROR(QStringLiteral("Error %1: %2").arg(QLatin1String("executeDefAction"), QString::fromUtf8(exception.what())));
        MivErrorPresenter::presentException(
            exception,
            QCoreApplication::translate("MivAppDelegate", "An error occurred while executing tool: \"%1\" !").arg(def.name));
    }
    return nullptr;
}
