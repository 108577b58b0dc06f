#pragma once

#include <QString>

namespace plat {

// The locale that ICU formats numbers and dates and compares texts in.
// ICU takes it from the environment (LANG, LC_*) on first use; tests pin it
// to "en_US" before any thread starts, since setting it is not thread-safe.
void setIcuDefaultLocale(const QString& localeId);
QString icuDefaultLocale();

} // namespace plat
