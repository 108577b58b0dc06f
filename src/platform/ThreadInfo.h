#pragma once

#include <QString>

namespace plat {

// Names the current thread. The kernel keeps only the last 15 characters of
// the label (the distinctive end of "com.quorvex.…" labels); logs show it whole.
void setCurrentThreadLabel(const QString& label);
QString currentThreadLabel();

// Short text that identifies the current thread in log lines (the kernel tid).
QString currentThreadIdText();

} // namespace plat
