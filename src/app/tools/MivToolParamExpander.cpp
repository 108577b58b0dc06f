#include "app/tools/MivToolParamExpander.h"

#include "FileData/MivFileData.h"

namespace {

void expandSide(QString& text, const QString& side, const MivToolPanelSelection& panel, bool shellQuote)
{
    const auto word = [shellQuote](const QString& value) {
        return shellQuote ? MivToolParamExpander::shellQuoted(value) : value;
    };
    QStringList paths;
    QStringList names;
    for (const MivFileDataPtr& item : panel.selected) {
        if (!item)
            continue;
        paths << word(item->pathKey());
        names << word(item->name());
    }
    text.replace(QStringLiteral("${%1 selected paths}").arg(side), paths.join(QLatin1Char(' ')));
    text.replace(QStringLiteral("${%1 selected names}").arg(side), names.join(QLatin1Char(' ')));
    text.replace(QStringLiteral("${%1 context path}").arg(side), panel.context ? word(panel.context->pathKey()) : QString());
}

} // namespace

QString MivToolParamExpander::expand(const QString& paramValue, const std::optional<MivToolPanelSelection>& source,
                                     const std::optional<MivToolPanelSelection>& target, bool shellQuote)
{
    QString text = paramValue;
    if (source)
        expandSide(text, QStringLiteral("source"), *source, shellQuote);
    if (target)
        expandSide(text, QStringLiteral("target"), *target, shellQuote);
    return text;
}

QString MivToolParamExpander::shellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}
