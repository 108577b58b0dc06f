#pragma once

// A column formatter that re-reads its display settings when the panel's
// font and display preferences change.
class MivDisplayFormatter
{
public:
    virtual ~MivDisplayFormatter() = default;
    virtual void reinit() = 0;
};
