#pragma once

#include "app/tools/MivToolPanelSelection.h"

#include <QString>

#include <optional>

// Expands the placeholders of a tool parameter from the source (active) and
// target (opposite) panels. For a tool that runs through a shell each
// substituted path and name is quoted on its own, so that a file name stays
// one word whatever it holds; otherwise the text goes in unchanged, since the
// whole parameter is then one argument.
class MivToolParamExpander
{
public:
    MivToolParamExpander() = delete;

    static QString expand(const QString& paramValue, const std::optional<MivToolPanelSelection>& source,
                          const std::optional<MivToolPanelSelection>& target, bool shellQuote);
    // One word for a POSIX shell: single quotes, an embedded quote as '\''.
    static QString shellQuoted(const QString& text);
};
