#pragma once

#include <QString>

// The progress view of one operation: the progress sheet of a foreground
// operation or a row of the background list. Only what the record itself
// tells its view lives here; the views add the rest.
class IMivOperationViewContext
{
public:
    virtual ~IMivOperationViewContext() = default;

    // The subject line (the preparing text while the size is counted).
    virtual void setSubjectString(const QString& subject) = 0;
    // The operation had nothing to do: the view goes away.
    virtual void closeView() = 0;
};
